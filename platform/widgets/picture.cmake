# The picture box and its PCX reader.
target_sources(quelvo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/picturebox.cpp ${CMAKE_CURRENT_LIST_DIR}/picturebox.h
  ${CMAKE_CURRENT_LIST_DIR}/pcx.cpp ${CMAKE_CURRENT_LIST_DIR}/pcx.h)
