#include "ui/headless/HeadlessMessageBox.h"

#include "ui/headless/HeadlessOutput.h"
#include "ui/kernel/Messages.h"

void HeadlessMessageBox::Show(const MessageBoxRequest& request, std::function<void(int)> answer) {
    WriteHeadlessLine(L"Message box \"" + request.caption + L"\": " + request.text);
    // The first button (OK) is the default of every box the program shows.
    answer(IDOK);
}
