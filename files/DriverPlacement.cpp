// Placing the package's files under the Windows folder.
#include "files/DriverPlacement.h"

void PlaceDriverFiles(SetupSession&, int, int) {}
