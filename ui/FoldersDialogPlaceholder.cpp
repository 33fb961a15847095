#include "ui/FoldersDialogPlaceholder.h"

#include "include/log/Logger.h"
#include "ui/kernel/Messages.h"

int FoldersDialogPlaceholder::Run(MessageLoop& /*loop*/, std::vector<std::wstring>* /*folders*/) {
    MVLOG(LOG_INFO,
          "PLACEHOLDER: the shared-folders dialog is not built yet; the shared folders stay unchanged");
    return IDCANCEL;
}
