// The results as a table of tab-separated values, for R, pandas and
// spreadsheets.
//
// One header line, then one row per population, one per pair of
// populations (i < j, i outer, as in the report) and one for the whole
// sample, each with 11 fields:
//
//   kind  pop1  pop2  name1  name2  diversity  diversity_se  dxy  dxy_se  da  da_se
//
// kind is "population", "pair" or "whole"; pop1 and pop2 are population
// numbers counted from 1 and name1 and name2 their names; fields that do not
// apply to a row are empty, as are the standard errors without bootstrap
// replicates. Numbers are written with "%.17g", so they read back to the
// same double; a value that is not a number is written "NaN", infinities
// "Inf" and "-Inf". A name that holds a double or a single quote is written
// between double quotes with its double quotes doubled; names hold no blanks.
#pragma once

#include <cstdio>

#include "storage/storage.h"

namespace gadrin {

// Writes the table of npop populations to `out`.
//   popnames    npop rows, row p the zero-terminated name of population p;
//   within      npop observed diversities;
//   between     npop x npop observed values: da at [i][j], dxy at [j][i], i < j;
//   whole       the observed whole-sample diversity;
//   within_se, between_se (se(dxy) at [j][i], se(da) at [i][j]), whole_se
//               the standard errors, read only when nboot > 0.
// Returns 0.
int write_table(std::FILE* out, int npop, const CharMatrix& popnames, const DoubleVector& within,
                const DoubleMatrix& between, double whole, const DoubleVector& within_se,
                const DoubleMatrix& between_se, double whole_se, int nboot);

}  // namespace gadrin
