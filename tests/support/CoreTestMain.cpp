#include <QCoreApplication>

#include <gtest/gtest.h>

// For test programs of the windowless libraries: an event loop, no platform, no widget.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
