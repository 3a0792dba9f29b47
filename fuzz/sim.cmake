# The virtual controller's parsers of outside input: host bytes on its wire and the fault
# spec / identity texts of the command line.
vexa_fuzz(sim_wire ${CMAKE_CURRENT_LIST_DIR}/sim_wire.cpp DEPS vexa_sim)
