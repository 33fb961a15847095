#include "ui/AboutDlg.h"

#include "ui/icons/ProgramIcons.h"
#include "ui/kernel/MessageLoop.h"

#ifndef MELVANE_VERSION
#error "MELVANE_VERSION must name the program's version"
#endif

CAboutDlg::~CAboutDlg() {
    if (m_shown)
        m_view.Hide();
}

std::wstring CAboutDlg::AboutText() {
    return L"Melvane Helper \""
           L"" MELVANE_VERSION L"\"\n\n"
           L"This software uses libraries from the FFmpeg project under the LGPLv2.1";
}

bool CAboutDlg::OnInitDialog() {
    // The view centres the box on its owner.
    AboutContent content;
    content.caption = L"About";
    content.text = AboutText();
    content.icon = LoadProgramIcon(IDI_PROGRAM, kLargeIconSize);
    m_view.Show(content, Target());
    m_shown = true;
    return true;
}

void CAboutDlg::OnCommand(uint16_t id) {
    if (id == IDOK || id == IDCANCEL)
        EndDialog(id);
}

void CAboutDlg::OnDestroy() {
    if (m_shown)
        m_view.Hide();
    m_shown = false;
}
