# Formula parser: any byte string is a formula.
vexa_fuzz(formula_evaluate ${CMAKE_CURRENT_LIST_DIR}/formula_evaluate.cpp DEPS vexa_formula)
