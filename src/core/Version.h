// The program's version, in this one place: the build reads it for the package, the
// windows show it and every file written names it.
#pragma once

#define KORV_VERSION "1.51"
#define KORV_VERSION_DATE "2004/6/2"
