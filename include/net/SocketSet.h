// The select() sets of the socket layer: at most 128 sockets each, any
// descriptor number.
#pragma once

#include "platform/net/SocketSet.h"

using SocketSet = platform::SocketSet;
