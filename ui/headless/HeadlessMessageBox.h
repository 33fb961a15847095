// Message boxes without a desktop: logged, answered with the default button.
#pragma once

#include "ui/present/MessageBoxView.h"

class HeadlessMessageBox final : public MessageBoxView {
  public:
    void Show(const MessageBoxRequest& request, std::function<void(int)> answer) override;
};
