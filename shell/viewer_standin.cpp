// Used only while the build has no viewer library: the listing then goes
// nowhere. Removed from the link as soon as quorrin_viewer exists.
#include "viewer/viewer.h"

void ViewerAppendLine(const char *)
{
}

int ViewerPrintf(const char *, ...)
{
    return 0;
}

int ViewerClear(void)
{
    return 0;
}

void ViewerResetModified(void)
{
}
