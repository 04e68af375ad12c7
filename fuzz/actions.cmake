# Scripts of actions through nbExecAction, against the real native engine
# (the plug-in linked with it, as vantiro-host is).
vantiro_add_fuzzer(fuzz_actions SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_actions.cpp
  LIBS vantiro_plugin vantiro_engine)
