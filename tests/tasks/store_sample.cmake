# store_sample writes and checks the three stores of a fixed sample table. The Linux
# build also cross-builds it for Windows (in the self-extractor's sub-build), so that each
# system checks the stores the other wrote.
add_executable(store_sample ${CMAKE_CURRENT_LIST_DIR}/store_sample.cpp)
target_link_libraries(store_sample PRIVATE korvel_tasks)
