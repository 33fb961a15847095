// The About box without a desktop: its text is logged and it is closed with
// its default button.
#pragma once

#include "ui/present/AboutView.h"

class HeadlessAbout final : public AboutView {
  public:
    void Show(const AboutContent& content, const MessageTarget& dialog) override;
    void Raise() override {}
    void Hide() override {}
};
