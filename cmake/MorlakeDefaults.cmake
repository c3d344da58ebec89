# Compile settings shared by every target of ours (not by vendored code).

if(MORLAKE_SANITIZE STREQUAL "address")
  set(MORLAKE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(MORLAKE_SANITIZE STREQUAL "thread")
  set(MORLAKE_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT MORLAKE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "MORLAKE_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(MORLAKE_SANITIZER_FLAGS)
  add_compile_options(${MORLAKE_SANITIZER_FLAGS})
  add_link_options(${MORLAKE_SANITIZER_FLAGS})
endif()

# morlake_defaults(target): warnings, exact floating point and hidden visibility
# for our own code.
function(morlake_defaults target)
  # No contraction into fused multiply-adds: it would change the output
  # wherever the target has them.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror=return-type -ffp-contract=off)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
