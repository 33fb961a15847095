#include "ui/headless/HeadlessAbout.h"

#include "ui/headless/HeadlessOutput.h"

void HeadlessAbout::Show(const AboutContent& content, const MessageTarget& dialog) {
    WriteHeadlessLine(L"About box \"" + content.caption + L"\": " + content.text);
    dialog.Post(WM_COMMAND, IDOK);
}
