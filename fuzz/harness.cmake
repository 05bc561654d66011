# The harness bodies that the libFuzzer targets, the plain corpus replays and the
# regression test all share. Included from fuzz/CMakeLists.txt (fuzz builds) and
# from fuzz/replay.cmake (every build with tests); the library is made once.
set(VOREL_FUZZ_TARGETS tim_candidate bmp_candidate scan octree writers disc)
if(NOT TARGET vorel_fuzz_harness)
  file(GLOB VOREL_FUZZ_HARNESS_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/harness/*.cpp)
  add_library(vorel_fuzz_harness STATIC ${VOREL_FUZZ_HARNESS_SOURCES})
  target_include_directories(vorel_fuzz_harness PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(vorel_fuzz_harness PUBLIC vorel_core)
  set_target_properties(vorel_fuzz_harness PROPERTIES AUTOMOC OFF)
endif()
