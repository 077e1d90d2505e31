# The shipped programs and libraries carry no C run-time library: they start at an entry of
# ours (src/base/start_program.cpp, start_library.cpp), take the memory functions the
# compiler calls from src/base/runtime.cpp and import only the system's own libraries.
# libgcc stays, linked in: it is no library of the system's and brings the stack probe and
# the 64-bit division of i686.
#
# kv_no_crt(target PROGRAM|LIBRARY)
set(KV_SETUP_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
# The memory functions are compiled once, as a target of their own, so that every program
# and library gets them built with these options, in whichever folder it is defined (a
# source file's options would hold only for the targets of this folder). Without them the
# optimiser turns strlen's counting loop into a call of strlen, that is into an endless loop.
add_library(kvruntime OBJECT ${KV_SETUP_SOURCE_DIR}/src/base/runtime.cpp)
target_compile_options(kvruntime PRIVATE ${KV_SETUP_CODE_OPTIONS} -fno-builtin -fno-tree-loop-distribute-patterns)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KV_ENTRY_PREFIX _)
  set(KV_LIBRARY_ENTRY_SUFFIX @12)
endif()
function(kv_no_crt target kind)
  if(kind STREQUAL PROGRAM)
    target_sources(${target} PRIVATE ${KV_SETUP_SOURCE_DIR}/src/base/start_program.cpp)
    set(entry ${KV_ENTRY_PREFIX}WinMainCRTStartup)
  else()
    target_sources(${target} PRIVATE ${KV_SETUP_SOURCE_DIR}/src/base/start_library.cpp)
    set(entry ${KV_ENTRY_PREFIX}DllMainCRTStartup${KV_LIBRARY_ENTRY_SUFFIX})
  endif()
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:kvruntime>)
  target_compile_options(${target} PRIVATE ${KV_SETUP_CODE_OPTIONS})
  target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=${entry} -Wl,--gc-sections)
  target_link_libraries(${target} PRIVATE kvcore gcc)
endfunction()
