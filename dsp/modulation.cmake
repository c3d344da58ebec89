# The lazy LFO, the modulation layer and the reverb characters.
target_sources(morlake_dsp PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TLFO.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TModulation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReverbPresets.cpp)
