// The uploader built without desktop boxes.
#include "crashreport/HelperPresenter.h"

std::unique_ptr<HelperPresenter> OpenDesktopPresenter() {
    return nullptr;
}
