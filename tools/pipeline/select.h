// Which found items a clean takes, chosen once for both hosts: items a keep
// rule matches stay (the built-in list, the person's --keep patterns), and
// so do those younger than an age limit; a file that two rows list is
// taken with its first listing only. (The guard's stops never reach the
// store: the scan leaves those files out.)
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "items/item_store.h"
#include "items/keep_list.h"
#include "items/selection.h"
#include "pipeline/row.h"

namespace host {

struct SelectOptions {
    bool defaultKeep = true;          // the built-in keep list applies
    std::vector<std::wstring> keeps;  // the person's own patterns (--keep)
    std::uint32_t olderThanDays = 0;  // items written more recently stay (0: none)
    // The sites whose cookies stay: the cookie rules then edit the cookie
    // databases instead of deleting them (read by the scan).
    std::vector<std::string> keptSites;
};

// The keep rules of the options: the built-in ones, then one per pattern.
std::vector<KeepRule> KeepRulesOf(const SelectOptions& options);

// The ranges of the rows' items that are files of the disk: the recycle
// bin's items are not, and go whole or not at all.
std::vector<ItemRange> FileRanges(const std::vector<Row>& rows);

// Deselects in a row the scan reached the items a keep rule matches (a row
// chosen by itself takes what the keep rules made for it let through) and
// those younger than the age limit. The row counts what it kept;
// keepCounts[rule] (sized like keepRules) what each rule kept.
void SelectRow(const std::vector<KeepRule>& keepRules, std::uint32_t olderThanDays,
               ItemStore* store, Row* row, std::vector<std::uint64_t>* keepCounts);

// Deselects the later listings of a file an earlier listing takes: once
// every row is in.
void DeselectRepeats(const std::vector<Row>& rows, ItemStore* store);

// Deselects, in the rows that delete files, the files a database edit of
// another row changes (the database with its -wal and -journal), unless
// the edit refuses the database as damaged or unknown: the edit keeps what
// it was made to keep (bookmarks, the kept sites' cookies), which deleting
// the file would lose. Each such row counts them kept.
void DeselectEditedFiles(std::vector<Row>* rows, ItemStore* store);

// SelectRow on every row, then DeselectRepeats and DeselectEditedFiles.
void SelectItems(const std::vector<KeepRule>& keepRules, std::uint32_t olderThanDays,
                 ItemStore* store, std::vector<Row>* rows, std::vector<std::uint64_t>* keepCounts);

}  // namespace host
