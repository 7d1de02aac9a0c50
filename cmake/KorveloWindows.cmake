# The Windows programs built with Qt for MinGW: the MinGW runtime DLLs and Qt's DLLs and plugins
# for the tests run under Wine and for tools/package-windows.sh, and each program's icon,
# version resource and application manifest.

# The MinGW runtime DLLs the programs and Qt's DLLs load.
set(KORVELO_MINGW_RUNTIME_DLLS "")
set(runtime_dlls "")
if(MINGW)
  set(runtime_dlls libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
endif()
foreach(dll ${runtime_dlls})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
  endif()
  get_filename_component(path "${path}" REALPATH)
  list(APPEND KORVELO_MINGW_RUNTIME_DLLS "${path}")
endforeach()

get_filename_component(KORVELO_QT_WIN_PREFIX "${Qt6_DIR}/../../.." REALPATH)

# What a deployment copies, for tools/package-windows.sh: one "key=value" a line.
set(deploy "qt_prefix=${KORVELO_QT_WIN_PREFIX}\nversion=${PROJECT_VERSION}\n")
foreach(dll IN LISTS KORVELO_MINGW_RUNTIME_DLLS)
  string(APPEND deploy "runtime=${dll}\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/windows-deploy.txt "${deploy}")

# The tests run under Wine find the DLLs through WINEPATH and Qt's plugins through QT_PLUGIN_PATH.
set(dirs "${KORVELO_QT_WIN_PREFIX}/bin")
foreach(dll IN LISTS KORVELO_MINGW_RUNTIME_DLLS)
  get_filename_component(dir "${dll}" DIRECTORY)
  list(APPEND dirs "${dir}")
endforeach()
list(REMOVE_DUPLICATES dirs)
list(TRANSFORM dirs PREPEND "Z:")
list(JOIN dirs "\\;" winepath)
set(KORVELO_TEST_ENVIRONMENT "WINEPATH=${winepath}" "QT_PLUGIN_PATH=Z:${KORVELO_QT_WIN_PREFIX}/plugins"
    CACHE INTERNAL "Environment of the tests run under Wine")

# The program's icon, drawn from its SVG at every size Windows asks for.
find_program(KORVELO_RSVG_CONVERT rsvg-convert)
find_program(KORVELO_ICOTOOL icotool)
if(NOT KORVELO_RSVG_CONVERT OR NOT KORVELO_ICOTOOL)
  message(FATAL_ERROR "The Windows icon needs rsvg-convert and icotool (Debian packages "
                      "librsvg2-bin and icoutils; tools/deps.sh ci installs them)")
endif()
set(KORVELO_ICO ${CMAKE_BINARY_DIR}/res/korvelo.ico)
set(svg ${PROJECT_SOURCE_DIR}/res/icons/korvelo.svg)
set(small "")
set(commands "")
foreach(size 16 24 32 48 64 256)
  set(png ${CMAKE_BINARY_DIR}/res/korvelo-${size}.png)
  if(NOT size EQUAL 256)
    list(APPEND small ${png})
  endif()
  list(APPEND commands COMMAND ${KORVELO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg})
endforeach()
# The 256-pixel image stored as PNG, as Windows expects; the small ones as bitmaps.
add_custom_command(OUTPUT ${KORVELO_ICO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res
  ${commands}
  COMMAND ${KORVELO_ICOTOOL} -c -o ${KORVELO_ICO} ${small} -r ${CMAKE_BINARY_DIR}/res/korvelo-256.png
  DEPENDS ${svg}
  COMMENT "Drawing the Windows icon"
  VERBATIM)
add_custom_target(korvelo_windows_icon DEPENDS ${KORVELO_ICO})

# korvelo_windows_resources(<target> <description>): icon, version resource and manifest.
function(korvelo_windows_resources target description)
  set(KORVELO_RC_DESCRIPTION "${description}")
  set(KORVELO_RC_NAME "${target}")
  set(KORVELO_RC_ICO "${KORVELO_ICO}")
  set(KORVELO_RC_MANIFEST "${PROJECT_SOURCE_DIR}/res/windows/korvelo.manifest")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/windows/korvelo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${KORVELO_ICO};${KORVELO_RC_MANIFEST}")
  add_dependencies(${target} korvelo_windows_icon)
endfunction()
