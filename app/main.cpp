// Vlnkar: the program's entry. It takes no arguments.
#include "app/shell.h"

int main()
{
    return vlnkar_main();
}
