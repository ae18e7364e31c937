# Turns the demo's sample files into a C++ source holding their text.
# -DOUT=file.cpp -DFILES="name1=path1;name2=path2"
set(body "// Generated from tinhost/demo; do not edit.\n#include <cstddef>\nnamespace tinhost::cli::demo_data {\n")
foreach(entry ${FILES})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  file(READ ${path} content HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," content "${content}")
  string(APPEND body "extern const unsigned char ${name}[] = {${content} 0x00};\n"
         "extern const std::size_t ${name}Size = sizeof(${name}) - 1;\n")
endforeach()
string(APPEND body "}\n")
file(WRITE ${OUT} "${body}")
