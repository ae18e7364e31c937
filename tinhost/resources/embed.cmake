# Turns the host's resource file into a C++ source holding its text.
file(READ ${IN} CONTENT HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," CONTENT "${CONTENT}")
file(WRITE ${OUT} "// Generated from tinhost.rsrc; do not edit.\n#include <cstddef>\n"
     "namespace tinhost { extern const unsigned char kEmbeddedResources[] = {${CONTENT} 0x00};\n"
     "extern const std::size_t kEmbeddedResourcesSize = sizeof(kEmbeddedResources) - 1; }\n")
