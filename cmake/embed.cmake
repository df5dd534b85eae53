# Turns a binary file into a C++ source holding its bytes: -DIN=file -DOUT=file.cpp -DNAME=symbol
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" n)
math(EXPR size "${n} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" body "${body}")
file(WRITE "${OUT}" "#include <cstddef>\n#include <cstdint>\nextern const uint8_t ${NAME}[] = {\n${body}\n};\nextern const size_t ${NAME}Size = ${size};\n")
