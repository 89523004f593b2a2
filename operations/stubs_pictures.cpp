// The stamp and watermark kinds are still to come: no operation yet.
#include "operation.h"

CAbstractOperation *operation_create_stamp_text()
{
    return nullptr;
}

CAbstractOperation *operation_create_stamp_image()
{
    return nullptr;
}

CAbstractOperation *operation_create_watermark_text()
{
    return nullptr;
}

CAbstractOperation *operation_create_watermark_image()
{
    return nullptr;
}
