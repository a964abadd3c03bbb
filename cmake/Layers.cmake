# The layers of the engine and what each may see. Dependencies point one way:
#   platform <- objects <- io <- trie, import <- index <- search <- api <- tools
# and the desktop program (win) sees only the public interface.
# Every target compiles against a "view": a folder in the build tree holding links to its
# own layer's folder and to the folders of the layers below it (and to the public headers
# it may use). The root of the source tree is never an include folder, so an include of a
# higher layer's header fails to compile. Each layer's library links only the layers below
# it, and a link check per layer (an executable holding the whole layer) fails to link when
# a layer calls a symbol of a higher one.

set(LXR_VIEW_ROOT ${PROJECT_BINARY_DIR}/layers)

set(LXR_SEES_platform platform)
set(LXR_SEES_objects platform objects)
set(LXR_SEES_io platform objects io)
set(LXR_SEES_trie platform objects io trie)
set(LXR_SEES_import platform objects io import lexaurum/lxrviewer.h)
set(LXR_SEES_index platform objects io trie import index lexaurum/lxrviewer.h)
set(LXR_SEES_search platform objects io trie import index search lexaurum/lxrviewer.h)
set(LXR_SEES_api platform objects io trie import index search api lexaurum)
set(LXR_SEES_tools platform objects io trie import index search api tools lexaurum)
# Programs that use the engine only through its public interface: the desktop program.
set(LXR_SEES_public lexaurum)
set(LXR_SEES_win lexaurum win)

# lxr_view(NAME ITEM...): makes the view NAME with a link for each ITEM, a folder of the
# source tree ("io") or a public header or folder ("lexaurum/lxrviewer.h", from include/).
function(lxr_view name)
  set(dir ${LXR_VIEW_ROOT}/${name})
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir})
  foreach(item ${ARGN})
    if(item MATCHES "^lexaurum")
      set(source ${PROJECT_SOURCE_DIR}/include/${item})
    else()
      set(source ${PROJECT_SOURCE_DIR}/${item})
    endif()
    get_filename_component(parent ${dir}/${item} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${source} ${dir}/${item} SYMBOLIC)
  endforeach()
endfunction()

# One view per layer, and one per layer's tests (the layer's view plus the tests folder for
# tests/support), and one for benchmarks.
foreach(layer platform objects io trie import index search api tools public win)
  lxr_view(${layer} ${LXR_SEES_${layer}})
  lxr_view(test-${layer} ${LXR_SEES_${layer}} tests)
endforeach()
lxr_view(bench ${LXR_SEES_api} bench)
# The fuzz targets' shared helpers; each target also has the view of the layer it links.
lxr_view(fuzz fuzz)

# lxr_use_view(TARGET VIEW): TARGET's own includes resolve in VIEW only.
function(lxr_use_view target view)
  target_include_directories(${target} PRIVATE ${LXR_VIEW_ROOT}/${view})
endfunction()

# lxr_link_check(LAYER): an executable that holds every object of lxr_LAYER, linked with the
# layers below only; it fails to link when the layer uses a symbol of a higher one.
function(lxr_link_check layer)
  add_executable(lxr_${layer}_links ${PROJECT_SOURCE_DIR}/cmake/LinkCheck.cpp)
  target_link_libraries(lxr_${layer}_links PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,lxr_${layer}>")
endfunction()
