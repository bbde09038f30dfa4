// (to be written)
#include "app/shell.h"
int vlnkar_main() { return 0; }
