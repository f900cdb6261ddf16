// The pair table and the interactive subject-combination query.
#pragma once
#include <cstdio>

// Reads back the temporary pair files of every non-empty autosome slot and
// prints the pair table on standard error: n(n-1)/2 rows, or n rows when
// representative is 1.
void displayHHInformation(int n, int representative);

// One turn of the subject-combination dialogue; 0 ends the dialogue, 1 asks
// for another turn. Its line comes from `queryAnswers`.
int customCombinationHH();

// Where the dialogue reads its answers; nullptr (the default): standard
// input. Not owned.
extern std::FILE* queryAnswers;
