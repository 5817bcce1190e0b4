#include "record/apprecord.h"

#include "record/playerrecord.h"

#include <QCoreApplication>

#include <memory>

namespace {

std::unique_ptr<PlayerRecord> &slot()
{
    static std::unique_ptr<PlayerRecord> record;
    return record;
}

} // namespace

PlayerRecord &appRecord()
{
    if (!slot()) {
        slot() = std::make_unique<PlayerRecord>();
        // Closed with the application, while Qt's SQL module still stands.
        qAddPostRoutine(closeAppRecord);
    }
    return *slot();
}

void closeAppRecord()
{
    slot().reset();
}
