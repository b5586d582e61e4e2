# cmake -DIN=... -DOUT=... -P lean.cmake: the page's index.html without its
# whole-line comments and indentation, which no browser needs: the first
# download is counted in bytes.
file(READ ${IN} text)
string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" text "${text}")
string(REGEX REPLACE "\n[ \t]+" "\n" text "${text}")
file(WRITE ${OUT} "${text}")
