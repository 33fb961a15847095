#include "ui/present/MessageBox.h"

#include "ui/kernel/MessageLoop.h"

#include <memory>
#include <optional>

int RunMessageBox(MessageLoop& loop, MessageBoxView& view, const std::wstring& text,
                  const std::wstring& caption, uint32_t style) {
    // Shared with the view, which may answer after this run has given up.
    auto answer = std::make_shared<std::optional<int>>();
    view.Show(MessageBoxRequest{text, caption, style}, [answer](int button) {
        if (!*answer)
            *answer = button;
    });
    if (!loop.RunModal([&answer] { return answer->has_value(); })) {
        view.Dismiss();
        return (style & MB_OKCANCEL) ? IDCANCEL : IDOK;
    }
    return **answer;
}
