#pragma once
// Version and copyright, shared by the C++ code and the version resource.

#define SONOTAPE_VERSION_TEXT "4.0"
#define SONOTAPE_VERSION_NUMBERS 4, 0, 0, 0
#define SONOTAPE_FILE_VERSION_TEXT "4.0.0.0"
#define SONOTAPE_COPYRIGHT_TEXT "Copyright (C) 2026 The Sonotape developers"
