#include "win/module.h"

HINSTANCE g_instance = nullptr;
