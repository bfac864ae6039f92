#pragma once
// A database file layer that passes every write, flush, truncation and delete of SQLite
// through the tests' failure plan, so that tests can make the register's own writes fail.

namespace sitora::data {

// Registers the layer as SQLite's default. Call once, before connections are opened.
void UseFaultInjectingFileLayer();

}  // namespace sitora::data
