// The record of runs as a file: Velkaro.log in the settings file's folder.
#pragma once
#include <string>

#include "timesync/run_record.h"
#include "timesync/sync_outcome.h"

// The record's bytes (at most its last kMaxRecordBytes), empty when there is none or it cannot
// be read. Only a plain file counts: never a link, a junction or a second name of another file,
// whatever was put in the program's folder.
std::string ReadRunRecord(const std::string& path);

// Appends the line of a run that ended (an abandoned run has none), at the local time of now.
// A record that cannot be written is skipped without a word: it is a record, not a setting.
void RecordRun(const std::string& path, SyncTrigger trigger, const std::string& server, const SyncOutcome& outcome);
