add_library(korvel_xml STATIC
    ${CMAKE_SOURCE_DIR}/xml/KRXMLTokenizer.cpp
    ${CMAKE_SOURCE_DIR}/xml/XMLEntities.cpp
    ${CMAKE_SOURCE_DIR}/xml/XMLParams.cpp
    ${CMAKE_SOURCE_DIR}/xml/XMLTagParts.cpp
    ${CMAKE_SOURCE_DIR}/xml/XMLTreeBuilder.cpp
    ${CMAKE_SOURCE_DIR}/xml/KRXMLItem.cpp
    ${CMAKE_SOURCE_DIR}/xml/KRXMLParser.cpp
    ${CMAKE_SOURCE_DIR}/xml/KRXMLParserFiles.cpp)
target_link_libraries(korvel_xml PUBLIC korvel_platform)
