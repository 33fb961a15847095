#include "ui/Resources.h"

MenuResource LoadMenuResource(int id) {
    MenuResource resource;
    if (id != IDR_TRAY_MENU)
        return resource;
    PopupMenu main;
    main.title = L"Main";
    main.Append(L"Visit Website", ID_VISIT_WEBSITE);
    main.Append(L"View Playlists", ID_VIEW_PLAYLISTS);
    main.Append(L"Your Music Folders", ID_MUSIC_FOLDERS);
    main.AppendSeparator();
    main.Append(L"About", ID_APP_ABOUT);
    main.Append(L"Exit", ID_APP_EXIT);
    resource.popups.push_back(main);
    // On the bar, so the tray (which shows the first pop-up only) never
    // offers it.
    resource.barItems.push_back(MenuItem{L"Change Accounts", ID_CHANGE_ACCOUNTS, false, false});
    return resource;
}
