# The board without its views: what kvboard's tests and its file harness build on.
set(KVBOARD_BOARD_SOURCES
    KvBoard.cpp KvBoard.h
    KvBoardChange.cpp KvBoardChange.h
    KvBoardDocument.cpp KvBoardDocument.h
    KvBoardDomWriter.cpp KvBoardDomWriter.h
    KvBoardEnvelope.cpp KvBoardEnvelope.h
    KvBoardFragment.cpp KvBoardFragment.h
    KvBoardLimits.cpp KvBoardLimits.h
    KvBoardLoadReport.cpp KvBoardLoadReport.h
    KvBoardLogCapture.cpp KvBoardLogCapture.h
    KvBoardRecordScreen.cpp KvBoardRecordScreen.h
    KvBoardScene.cpp KvBoardScene.h
    KvBoardXmlScreen.cpp KvBoardXmlScreen.h)
# Snapshot parts travel compressed.
find_package(ZLIB REQUIRED)
set(KVBOARD_BOARD_LIBRARIES ZLIB::ZLIB)
