# Runs one session script in mellox-sim with a fresh home folder; the test
# fails when the script does. Called by ctest with -DSIM=, -DSCRIPT= and -DHOME=.
file(REMOVE_RECURSE "${HOME}")
execute_process(COMMAND "${SIM}" --home "${HOME}" --hud-png "${HOME}/png" "${SCRIPT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (exit status ${status})")
endif()
