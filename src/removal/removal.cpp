// The removal driver. The welcome page that offers the removal is not in the program yet,
// so nothing reaches this; it removes nothing and reports the removal as ended.
#include "removal/removal.h"

// returns 0
int RemoveProduct(HWND)
{
    return 0;
}
