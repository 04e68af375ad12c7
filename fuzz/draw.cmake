# Chart files drawn by the real native engine: layout, Cairo, the PNG, SVG
# and PDF writers and the PDF printer, at a bounded size.
vantiro_add_fuzzer(fuzz_draw SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_draw.cpp LIBS vantiro_engine)
