# Writes the shipped JSON files of a resource folder into a source file, so the program finds
# them wherever it is installed. Run by the build with -DOUT=<file.cpp> -DDIR=<folder of *.json>
# -DHEADER=<header that declares it> -DFUNCTION=<its name> -DTYPE=<the container it returns,
# initialised from {"name", text} pairs>.
file(GLOB files ${DIR}/*.json)
list(SORT files)
set(body "")
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME)
  file(READ ${f} text)
  string(APPEND body "        {\"${name}\", R\"korvelo(${text})korvelo\"},\n")
endforeach()
file(RELATIVE_PATH from ${CMAKE_CURRENT_LIST_DIR}/.. ${DIR})
file(WRITE ${OUT} "// Generated from ${from} by the build; edit those files.
#include \"${HEADER}\"

namespace korvelo::testset {

const ${TYPE}& ${FUNCTION}() {
    static const ${TYPE} files = {
${body}    };
    return files;
}

} // namespace korvelo::testset
")
