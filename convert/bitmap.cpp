// Not converted yet: the file is reported as unreadable rather than pretending to convert it.
#include "convert/bitmap.h"

ConversionResult convert_bitmap() { return ResultReadFailed; }
