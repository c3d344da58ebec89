# Tests of the lazy LFO, the modulation layer and the reverb characters.
morlake_add_gtest(test_lfo SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_lfo.cpp LIBS morlake_dsp LABELS dsp)
morlake_add_gtest(test_modulation SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_modulation.cpp LIBS morlake_dsp LABELS dsp)
morlake_add_gtest(test_reverb_presets SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_reverb_presets.cpp LIBS morlake_dsp LABELS dsp)
