# Most of a build's time goes on Qt's headers, read again for every source
# file. Each family of targets reads them once instead, into a precompiled
# header that its members share: the libraries without widgets, those with
# them, and the tests of each kind. A family shares one header only if its
# members compile with the same flags, so each carrier takes its family's
# link list.
option(VORNIX_PCH "Share precompiled Qt headers between targets" ON)

set(VORNIX_PCH_CORE <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QList> <QObject>
    <QRegularExpression> <QSaveFile> <QString> <QStringList> <QTimer> <QVariant>
    <algorithm> <functional> <memory> <optional> <vector>)
set(VORNIX_PCH_WIDGETS ${VORNIX_PCH_CORE} <QApplication> <QCheckBox> <QComboBox> <QEvent>
    <QHBoxLayout> <QLabel> <QLineEdit> <QMenu> <QPainter> <QPointer> <QPushButton>
    <QScrollArea> <QVBoxLayout> <QWidget>)

# vx_pch(carrier HEADERS h... LINKS target...): a target that only holds the
# precompiled header for others to reuse.
function(vx_pch carrier)
  cmake_parse_arguments(PCH "" "" "HEADERS;LINKS" ${ARGN})
  if(NOT VORNIX_PCH)
    return()
  endif()
  set(empty ${PROJECT_BINARY_DIR}/${carrier}.cpp)
  if(NOT EXISTS ${empty})
    file(WRITE ${empty} "")
  endif()
  add_library(${carrier} OBJECT ${empty})
  set_target_properties(${carrier} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${carrier} PRIVATE ${PCH_LINKS})
  target_precompile_headers(${carrier} PRIVATE ${PCH_HEADERS})
endfunction()

# vx_use_pch(carrier target...)
function(vx_use_pch carrier)
  if(VORNIX_PCH)
    foreach(target ${ARGN})
      target_precompile_headers(${target} REUSE_FROM ${carrier})
    endforeach()
  endif()
endfunction()

# A build cache, when the machine has one, makes every later build of an
# unchanged file free; precompiled headers need it told to trust them.
find_program(VORNIX_CCACHE ccache)
if(VORNIX_CCACHE)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      ${VORNIX_CCACHE})
endif()
