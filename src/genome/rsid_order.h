// The rs identifier order of the SNP table (pASNP): byte order of the
// identifiers, records with equal identifiers kept in table order so that a
// duplicated identifier always resolves to the same record.
#pragma once
#include "genome/model.h"

// compareRsID over two SNP records: -1, 0 or 1.
int compareAnnotRsID(const SNPRecord* a, const SNPRecord* b);

// Fills genome.pASNP with the records of genome.sumSNP in rs identifier order,
// ties in table order.
void buildRsIDOrder();
