// One language block of the language list: the language line split into its
// four fields, and the names of the FROM and TO wordlists. Filled by the
// language list, read by the builder and the settings file.
#pragma once

#include <string>

struct LanguageEntry {
    std::string field1;       // with any commas that stood before it on the line
    std::string field2;
    std::string field3;
    std::string displayName;  // field 4
    std::string fromName;
    std::string toName;
};
