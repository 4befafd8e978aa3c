# Message boxes, the timed wait, the window fetch and the Qt text boundary.
target_sources(quelvo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/messagebox.cpp ${CMAKE_CURRENT_LIST_DIR}/messagebox.h
  ${CMAKE_CURRENT_LIST_DIR}/timedwait.cpp ${CMAKE_CURRENT_LIST_DIR}/timedwait.h
  ${CMAKE_CURRENT_LIST_DIR}/windowfetch.cpp ${CMAKE_CURRENT_LIST_DIR}/windowfetch.h
  ${CMAKE_CURRENT_LIST_DIR}/qttext.h)
