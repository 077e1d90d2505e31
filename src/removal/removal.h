// The removal of an installed product.
#pragma once
#include "base/base.h"

// returns 0
int RemoveProduct(HWND ownerWindow);
