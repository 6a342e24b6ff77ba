#pragma once

#include <QString>

namespace kiro {

// The demonstration projects of the shipped project database.
//
// Their seed rows hold only what a user types or a command copies in: list
// prices, discounts, currencies, freight, quantities. Every figure the price
// calculation derives is left to it, and document paths name the program
// folder by a placeholder, because the seed cannot know where the program
// will live. prepareDemoProjects() fills both in once, right after the
// database was made from the seed.
//
// Main thread only. The step borrows the process-wide settings, app context
// and message service while it runs: call it before the program's own data
// module opens. It leaves the settings closed and at their defaults and the
// message lookup cleared.

// The placeholder for the program folder (without its final separator) in
// the document paths of the seed.
QString demoExeDirPlaceholder();

// Whether the project database of `projectsDirectory` still holds a document
// path with the placeholder, that is: it was made from the seed and never
// prepared. A database a user has worked in has none.
bool demoProjectsPending(const QString& projectsDirectory);

// When demoProjectsPending() for `<exeDir>/Projects`: replaces the
// placeholder by the absolute path of `exeDir` and prices every project
// (currency factors, price rows, product totals, quotation lines, project
// totals and order sums) through the data module's own handlers. One
// transaction: on a failure the database is as before. Returns whether
// anything was done. Throws std::runtime_error with the reason on failure,
// also when the settings are open already (the step would overwrite them).
bool prepareDemoProjects(const QString& exeDir);

} // namespace kiro
