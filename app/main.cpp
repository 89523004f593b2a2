// Zandrevik's entry: everything happens in runApplication.
#include "startup.h"

int main(int argc, char **argv)
{
    return runApplication(argc, argv);
}
