// The removal of an installed product.
#pragma once
#include <windows.h>

// returns 0
int RemoveProduct(HWND ownerWindow);
