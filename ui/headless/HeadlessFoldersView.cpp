#include "ui/headless/HeadlessFoldersView.h"

#include "ui/headless/HeadlessOutput.h"

void HeadlessFoldersView::Show(const std::wstring& caption, const MessageTarget& dialog,
                               FolderTreeControl* /*control*/) {
    WriteHeadlessLine(L"Dialog \"" + caption + L"\": cancelled, nobody to choose folders");
    dialog.Post(WM_COMMAND, IDCANCEL);
}
