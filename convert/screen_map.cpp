// Not converted yet: the file is reported as unreadable rather than pretending to convert it.
#include "convert/screen_map.h"

ConversionResult convert_screen_map() { return ResultReadFailed; }
