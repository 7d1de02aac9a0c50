# Writes the shipped limits files into a source file, so the program finds them wherever it is
# installed. Run by the build with -DOUT=<file.cpp> -DDIR=<folder of *.json>.
file(GLOB files ${DIR}/*.json)
list(SORT files)
set(body "")
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME)
  file(READ ${f} text)
  string(APPEND body "        {\"${name}\", R\"korvelo(${text})korvelo\"},\n")
endforeach()
file(WRITE ${OUT} "// Generated from res/limits by the build; edit those files.
#include \"testset/limits.h\"

namespace korvelo::testset {

const std::map<std::string, std::string_view>& shippedLimitsFiles() {
    static const std::map<std::string, std::string_view> files = {
${body}    };
    return files;
}

} // namespace korvelo::testset
")
