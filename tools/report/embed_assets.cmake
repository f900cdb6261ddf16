# Writes OUTPUT, a C++ file holding each file of ASSETS ('|'-separated) as a string named
# kAsset_<file name with '.' as '_'>, in pieces short enough for any compiler.
set(text "// Generated from tools/report/assets by embed_assets.cmake; do not edit.\n")
string(APPEND text "#include <string>\n\n")
string(REPLACE "|" ";" ASSETS "${ASSETS}")
foreach(asset ${ASSETS})
  get_filename_component(name ${asset} NAME)
  string(REPLACE "." "_" name ${name})
  file(READ ${asset} content HEX)
  string(LENGTH "${content}" hexLength)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${content}")
  # Break the literal every 64 bytes so no line grows too long.
  string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f]){64})" "\\1\"\n\"" escaped "${escaped}")
  string(APPEND text "extern const std::string kAsset_${name};\n")
  string(APPEND text "const std::string kAsset_${name} = std::string(\n\"${escaped}\", ${hexLength} / 2);\n\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")
