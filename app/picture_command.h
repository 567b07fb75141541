// The command line's --picture: draws what the GBA shows from C files Morvane wrote.
#pragma once

// "morvane --picture OUT.png FILE.c...", given the arguments after the option; its exit status.
int picture_command(int count, char **arguments);
