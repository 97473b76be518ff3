# The settings dialog and the about window (Windows builds only): the static
# library carvelo_ui, and CARVELO_UI_RESOURCES, the resource script that every
# module linking carvelo_ui must compile into itself (resources inside a
# static library are never linked): the about picture and the manifest that
# gives the windows common controls 6.

# libjpeg-turbo, cross-built once per target from Debian's source package into
# a cache outside the tree (Debian has no MinGW build of it).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(AMD64|x86_64|amd64)$")
  set(_carvelo_jpeg_arch x86_64)
else()
  set(_carvelo_jpeg_arch i686)
endif()
set(CARVELO_LIBJPEG_PREFIX "/var/cache/carvelo/libjpeg-${_carvelo_jpeg_arch}"
    CACHE PATH "Install prefix of the MinGW build of libjpeg-turbo")
if(NOT EXISTS "${CARVELO_LIBJPEG_PREFIX}/carvelo-ready")
  execute_process(
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../tools/build-libjpeg.sh" ${_carvelo_jpeg_arch} "${CARVELO_LIBJPEG_PREFIX}"
    RESULT_VARIABLE _carvelo_jpeg_result)
  if(NOT _carvelo_jpeg_result EQUAL 0)
    message(FATAL_ERROR "tools/build-libjpeg.sh ${_carvelo_jpeg_arch} failed")
  endif()
endif()
# The toolchain's find root would hide a prefix outside the MinGW sysroot.
list(APPEND CMAKE_FIND_ROOT_PATH "${CARVELO_LIBJPEG_PREFIX}")
find_package(libjpeg-turbo CONFIG REQUIRED)

set(_carvelo_ui_src ${CMAKE_CURRENT_LIST_DIR}/..)
add_library(carvelo_ui STATIC
  ${_carvelo_ui_src}/job/DialogForm_win.h ${_carvelo_ui_src}/job/DialogForm_win.cpp
  ${_carvelo_ui_src}/job/Glyphs_win.h ${_carvelo_ui_src}/job/Glyphs_win.cpp
  ${_carvelo_ui_src}/job/qsetup.h ${_carvelo_ui_src}/job/qsetup_win.cpp
  ${_carvelo_ui_src}/addin/JpegDecode.h ${_carvelo_ui_src}/addin/JpegDecode.cpp
  ${_carvelo_ui_src}/addin/about.h ${_carvelo_ui_src}/addin/about_res.h ${_carvelo_ui_src}/addin/about_win.cpp
)
target_include_directories(carvelo_ui PUBLIC ${_carvelo_ui_src}/job ${_carvelo_ui_src}/addin)
target_link_libraries(carvelo_ui
  PUBLIC comctl32 gdi32 user32 shell32
  PRIVATE libjpeg-turbo::jpeg-static)

set(CARVELO_UI_RESOURCES ${_carvelo_ui_src}/addin/about.rc)
set(CARVELO_UI_RESOURCE_INPUTS
  ${_carvelo_ui_src}/addin/about.jpg ${_carvelo_ui_src}/addin/carvelo_ui.manifest ${_carvelo_ui_src}/addin/about_res.h)
unset(_carvelo_ui_src)

# Links carvelo_ui into a module and compiles the resources into it, so that
# a changed picture or manifest recompiles the script (windres can't tell).
function(carvelo_ui_link target)
  target_link_libraries(${target} PRIVATE carvelo_ui)
  target_sources(${target} PRIVATE ${CARVELO_UI_RESOURCES})
  set_source_files_properties(${CARVELO_UI_RESOURCES} TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${CARVELO_UI_RESOURCE_INPUTS}")
endfunction()
