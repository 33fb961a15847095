// The messages through which the core's notifications reach the main dialog.
#pragma once

#include "ui/kernel/Messages.h"

constexpr uint32_t WM_APP_FATAL_ERROR = WM_APP + 1;
constexpr uint32_t WM_APP_START_LOGIN = WM_APP + 2;
constexpr uint32_t WM_APP_TRANSFER_FINISHED = WM_APP + 3;
constexpr uint32_t WM_APP_LOGIN_RESULT = WM_APP + 4;
constexpr uint32_t WM_APP_ACCOUNT_PROBLEM = WM_APP + 5;
constexpr uint32_t WM_APP_UPGRADE_READY = WM_APP + 6;
constexpr uint32_t WM_APP_SET_STATUS = WM_APP + 7;
constexpr uint32_t WM_APP_SHOW_FOLDERS = WM_APP + 8;
constexpr uint32_t WM_APP_PLAYLIST_SAVED = WM_APP + 9;
// WM_APP + 10 and + 11 are not used.
constexpr uint32_t WM_APP_PLAYLIST_DELETED = WM_APP + 12;
