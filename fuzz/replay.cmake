# Replays of the fuzz corpora without libFuzzer, for every build that has tests
# (plain, sanitized, fuzz): each target's LLVMFuzzerTestOneInput behind a main()
# that feeds it every saved input. The regression test in tests/regressions uses
# the same harness library.
include(${CMAKE_CURRENT_LIST_DIR}/harness.cmake)
target_link_libraries(vorel_core_tests PRIVATE vorel_fuzz_harness)
add_custom_target(vorel_replays)
foreach(name ${VOREL_FUZZ_TARGETS})
  add_executable(fuzz_replay_${name}
    ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/targets/${name}_fuzzer.cpp)
  target_link_libraries(fuzz_replay_${name} PRIVATE vorel_fuzz_harness)
  set_target_properties(fuzz_replay_${name} PROPERTIES AUTOMOC OFF)
  add_dependencies(vorel_replays fuzz_replay_${name})
  add_test(NAME replay_${name} COMMAND fuzz_replay_${name} ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
  set_tests_properties(replay_${name} PROPERTIES LABELS "core;replay" TIMEOUT 300)
endforeach()

# Regenerates the committed seed corpora (run by hand; see fuzz/README.md).
add_executable(fuzz_make_seeds ${CMAKE_CURRENT_LIST_DIR}/make_seeds.cpp)
target_link_libraries(fuzz_make_seeds PRIVATE vorel_sample_builders)
set_target_properties(fuzz_make_seeds PROPERTIES AUTOMOC OFF)
