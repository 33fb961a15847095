// Message boxes. The view shows a box and calls `answer` once with the button
// pressed (IDOK or IDCANCEL); it may do so before Show returns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_SETFOREGROUND = 0x10000;
constexpr uint32_t MB_TOPMOST = 0x40000;

struct MessageBoxRequest {
    std::wstring text;
    std::wstring caption;
    uint32_t style = MB_OK;
};

class MessageBoxView {
  public:
    virtual ~MessageBoxView() = default;
    virtual void Show(const MessageBoxRequest& request, std::function<void(int)> answer) = 0;
    // The program is quitting: boxes still shown go without an answer.
    virtual void Dismiss() {}
};
