// The one path buffer every converter reads its source's name from.
#include "convert/common/conversion.h"

char SourcePath[PathCapacity];
