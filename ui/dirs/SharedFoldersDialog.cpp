#include "ui/dirs/SharedFoldersDialog.h"

#include "ui/dirs/DirsDlg.h"

int SharedFoldersDialog::Run(MessageLoop& loop, std::vector<std::wstring>* folders) {
    CDirsDlg dialog(folders, m_view, m_boxes, m_manifestPath);
    m_open = &dialog;
    const int result = dialog.DoModal(loop);
    m_open = nullptr;
    return result;
}

void SharedFoldersDialog::Raise() {
    if (m_open)
        m_open->BringToFront();
}
