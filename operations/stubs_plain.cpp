// Kinds whose settings widgets are still to come: no operation yet.
#include "operation.h"

CAbstractOperation *operation_create_crop()
{
    return nullptr;
}

CAbstractOperation *operation_create_resize()
{
    return nullptr;
}

CAbstractOperation *operation_create_roll()
{
    return nullptr;
}

CAbstractOperation *operation_create_rotate()
{
    return nullptr;
}

CAbstractOperation *operation_create_coloration()
{
    return nullptr;
}

CAbstractOperation *operation_create_swap_colors()
{
    return nullptr;
}
