# One part of the program: a folder and the static library built from it (shared with
# WL_SHARED_PARTS, for the mutation runner's build folder).
#
#   wl_part(<target> FOLDER <folder> [SOURCES <files>] [PUBLIC <deps>] [PRIVATE <deps>])
#
# FOLDER is the part's folder, relative to the top of the source tree (core/link, ui, panels …).
# Without SOURCES the library is every .cpp file of the folder, with its headers (so a header whose
# class has signals but no .cpp of its own is still seen by moc).
#
# The layers are held by the build itself:
#  - A part may include only its own folder and the folders of the parts it links (and theirs,
#    through PUBLIC links). Each part's include path is a folder of its own in the build tree that
#    holds a link to the part's folder alone, so "#include "core/watch/x.h"" from a part that does not
#    link wl_watch does not compile. A dependency whose headers appear in the part's own headers is
#    PUBLIC; one its .cpp files use alone is PRIVATE.
#  - A part may link only parts defined before it: the folders are added bottom-up, so a link upwards
#    (and with it any loop between parts) stops the configuration with a message.
function(wl_part target)
  cmake_parse_arguments(P "" "FOLDER" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  if(NOT P_FOLDER)
    message(FATAL_ERROR "wl_part(${target}): FOLDER is missing")
  endif()
  foreach(dep IN LISTS P_PUBLIC P_PRIVATE)
    if(dep MATCHES "^wl_" AND NOT TARGET ${dep})
      message(FATAL_ERROR "${target} (${P_FOLDER}) links ${dep}, which is not a part below it. "
        "Parts are defined bottom-up and may only link down: move what ${target} needs below it, "
        "or what needs it above.")
    endif()
  endforeach()
  set(folder ${PROJECT_SOURCE_DIR}/${P_FOLDER})
  if(NOT P_SOURCES)
    file(GLOB P_SOURCES CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  endif()
  set(reach ${PROJECT_BINARY_DIR}/reach/${target})
  get_filename_component(parent ${reach}/${P_FOLDER} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${folder} ${reach}/${P_FOLDER} SYMBOLIC)
  if(WL_SHARED_PARTS)
    add_library(${target} SHARED ${P_SOURCES})
  else()
    add_library(${target} STATIC ${P_SOURCES})
  endif()
  target_include_directories(${target} PUBLIC ${reach})
  target_link_libraries(${target} PUBLIC ${P_PUBLIC} PRIVATE ${P_PRIVATE})
  set_property(GLOBAL APPEND PROPERTY WL_PARTS ${target})
endfunction()
