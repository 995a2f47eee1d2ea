#pragma once

#include "data/DeliveryNotes.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "review/MemSTran.h"
#include "review/ReviewBuild.h"

// The main window's database objects of a build and the review list, on one connection.
struct ReviewObjects
{
    db::Connection connection;
    db::Query qrySTran { connection };
    db::Query qryChk { connection };
    db::Query qryInv { connection };
    db::Query qryCN { connection };
    db::Command command { connection };
    MemSTran list;
    DeliveryNoteLookup notes;

    ReviewBuildObjects buildObjects()
    {
        return { qrySTran, qryChk, qryInv, qryCN, command, list, notes };
    }
};
