#include "client/core/IKovikUI.h"

IKovikUI* g_ui = nullptr;
