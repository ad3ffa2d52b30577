# Turns the launcher image INPUT into OUTPUT, a C++ source that defines
# EmbeddedStub() over its bytes. Run as cmake -DINPUT=... -DOUTPUT=... -P.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
if(hexLength EQUAL 0)
  message(FATAL_ERROR "the stub image ${INPUT} is empty")
endif()
# Sixteen bytes a line keeps the source readable for a compiler's messages.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
       bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Generated from the launcher image by cmake/EmbedStub.cmake; not to be edited.\n"
  "#include \"tools/StubImage.h\"\n\n"
  "namespace {\n\nconst uint8_t Image[] = {\n${bytes}\n};\n\n}  // namespace\n\n"
  "TEmbeddedImage EmbeddedStub() { return TEmbeddedImage{Image, sizeof Image}; }\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
