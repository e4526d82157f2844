# ami_object_library(<target> <dir> [EXCLUDE <regex>] [ONLY <regex>])
# An OBJECT library from every .cpp directly in <dir>, globbed at each build so
# that adding a source file needs no CMake edit. An empty folder still yields a
# valid (empty) library so the shared libraries can always be composed.
function(ami_object_library target dir)
  cmake_parse_arguments(A "" "EXCLUDE;ONLY" "" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  if(A_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${A_EXCLUDE}")
  endif()
  if(A_ONLY)
    list(FILTER srcs INCLUDE REGEX "${A_ONLY}")
  endif()
  if(NOT srcs)
    set(empty "${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp")
    if(NOT EXISTS "${empty}")
      file(WRITE "${empty}" "// no sources yet\n")
    endif()
    set(srcs "${empty}")
  endif()
  add_library(${target} OBJECT ${srcs})
endfunction()

# ami_test(<name> <dir> LIBS <object libs...> [DEPS <targets...>])
# One GoogleTest executable per test folder, globbed like the sources.
function(ami_test name dir)
  cmake_parse_arguments(A "" "" "LIBS;DEPS;LINK" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(NOT srcs)
    return()
  endif()
  set(objs)
  foreach(l ${A_LIBS})
    list(APPEND objs $<TARGET_OBJECTS:${l}>)
  endforeach()
  add_executable(${name} ${srcs} ${objs})
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock ${CMAKE_DL_LIBS} m ${A_LINK})
  target_compile_definitions(${name} PRIVATE
    AMI_BUILD_DIR="${CMAKE_BINARY_DIR}"
    AMI_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    AMI_SHARED_DIR="${AMI_SHARED_DIR}"
    $<$<BOOL:${AMI_SANITIZE}>:AMI_SANITIZED>)
  foreach(d ${A_DEPS})
    if(TARGET ${d})
      add_dependencies(${name} ${d})
    endif()
  endforeach()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endfunction()
