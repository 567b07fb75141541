// Not converted yet: the file is reported as unreadable rather than pretending to convert it.
#include "convert/characters.h"

ConversionResult convert_characters() { return ResultReadFailed; }
