target_sources(morlake_dsp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/TSignalChain.cpp)
