# Writes the shipped test-set family files into a source file, so the program finds them
# wherever it is installed. Run by the build with -DOUT=<file.cpp> -DDIR=<folder of *.json>.
file(GLOB files ${DIR}/*.json)
list(SORT files)
set(body "")
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME)
  file(READ ${f} text)
  string(APPEND body "        {\"${name}\", R\"korvelo(${text})korvelo\"},\n")
endforeach()
file(WRITE ${OUT} "// Generated from res/testsets by the build; edit those files.
#include \"testset/dialect.h\"

namespace korvelo::testset {

const std::vector<std::pair<std::string, std::string_view>>& shippedFamilyFiles() {
    static const std::vector<std::pair<std::string, std::string_view>> files = {
${body}    };
    return files;
}

} // namespace korvelo::testset
")
