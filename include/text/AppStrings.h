// Every user-visible text, the version sent to the server and the web-site
// paths, by number.
#pragma once

#include <initializer_list>
#include <string>

enum AppStringId {
    AS_VERSION = 0,
    AS_APP_NAME = 1,
    AS_ERROR_TITLE = 2,
    AS_VERSION_TOO_OLD_WITH_VERSION = 3,
    AS_ACCOUNT_PROBLEM = 4,
    AS_DUPLICATE_LOGIN_RETRY = 5,
    AS_DUPLICATE_LOGIN_RESTART = 6,
    AS_APP_NAME_SHORT = 7,
    AS_LOGIN_SUCCEEDED = 8,
    AS_VERSION_TOO_OLD = 9,
    AS_LOGIN_TIMED_OUT = 10,
    AS_NO_MATCHING_ACCOUNT = 11,
    AS_LOGIN_PROBLEM = 12,
    AS_WEB_BASE_URL = 13,
    AS_WEB_ROOT_PATH = 14,
    AS_WEB_LOGIN_PATH = 15,
    AS_WEB_HOME_LOGIN_PATH = 16,
    AS_WEB_NEW_ACCOUNT_PATH = 17,
    AS_SENDING = 18,
    AS_DOWNLOADING = 19,
    AS_FINISHED_TRANSFER = 20,
    AS_SAVED_PLAYLIST = 21,
    AS_DELETED_PLAYLIST = 22,
    AS_DOWNLOADER_TITLE = 23,
    AS_UPDATES_DOWNLOADED = 24,
    AS_UPGRADED = 25,
    AS_REGISTER_FAILED = 26,
    AS_INSTALL_PROBLEM = 27,
    AS_SETUP_PROBLEM = 28,
    AS_CHANGE_FOLDERS_HINT = 29,
    AS_INSTALLED = 30,
    AS_HELPER_NAME = 31,
    AS_SELECT_FOLDERS = 32,
    AS_CHOOSE_FOLDER = 33,
    AS_ONLINE = 34,
    AS_OFFLINE = 35,
    AS_PLAYLISTS_FOLDER = 36,
    AS_INSTALL_LOCATION_HINT = 37,
    AS_ALREADY_RUNNING = 38,
    AS_COUNT = 39,
};

// The text of `id`. An id outside the table is a programming error.
std::wstring GetAppString(int id);

// The text of `id` with each "%s" replaced, in order, by the next argument
// ("%%" gives "%"). Arguments are data, never formats. Cut to 8191 characters.
std::wstring FormatAppString(int id, std::initializer_list<std::wstring> arguments);
// `format` with each "%s" replaced, in order, by the next argument and "%%"
// by "%"; arguments are never read as formats.
std::wstring FillTextSlots(const std::wstring& format, std::initializer_list<std::wstring> arguments);
