"""Checks the phase split of velmora's standard error on made-up timelines:
every second of a run lands in exactly one phase, and each milestone moves
the time to the phase it starts. Run: python3 -m unittest discover -s bench"""

import unittest

import velmora_phases


def timeline(*events):
    """(time, text) pairs as the chunks the runner records."""
    return [(t, text.encode()) for t, text in events]


def progress(chromosome, start, step):
    return [(start + step * k, f"\nchromosome {chromosome}: {k}/10 completed.") for k in range(1, 11)]


class TwoPoolRun(unittest.TestCase):
    def setUp(self):
        events = [
            (0.1, "Annotation file:\tx\n"),
            (1.0, "Number of regions 22\n"),
            (2.0, "\nA total of 10 SNP typing data was read for subject 1 in the patient pool.\n"),
            (2.5, "A total of 0 SNPs failed to find dbSNP rs ID\n"),
            (4.0, "A total of 0 SNPs failed to find dbSNP rs ID\n"),
            (4.5, "\n\nPatientPool\n"),
            # Pair loop of chromosome 1 from 5.0 (= 5.9 - 0.9) to 14.0.
            *progress(1, 5.9, 0.9),
            *progress(2, 16.9, 0.1),
            (20.0, "\nCompleted.\n\n"),
            (20.5, "( St1, St2 )\t...\n(1,2)\t2.00\n"),
            (21.0, "\nWriting /o/HH_FoldOverlap_Summary_PatientPool.txt\n"),
            (22.0, "Writing /o/HH_Representative_PatientPool.txt\n"),
            (23.0, "\n\nControlPool\n"),
            *progress(1, 24.0, 0.1),
            (26.0, "\nCompleted.\n\n"),
            (27.0, "Writing /o/HH_Representative_PatientPool.txt\n"),
            (30.0, "\nRepresentative: PatientPool\n"),
            *progress(1, 30.5, 0.05),
            (32.0, "\nCompleted.\n\n"),
            (32.5, "(1,representative)\t2.00\n"),
            (35.0, "\nRepresentative: ControlPool\n"),
            (36.0, "\nCompleted.\n\n"),
            (36.2, "(1,representative)\t2.00\n"),
            (37.0, "\nCompleted!\n"),
        ]
        self.phases = velmora_phases.split(timeline(*events), 37.5)

    def test_every_second_is_counted_once(self):
        self.assertAlmostEqual(sum(self.phases.values()), 37.5)

    def test_loading(self):
        self.assertAlmostEqual(self.phases["annotation"], 1.0)
        self.assertAlmostEqual(self.phases["genotypes"], 3.0)

    def test_pass_split_into_pair_loops_and_the_rest(self):
        # Chromosome 1: 5.0..14.0; chromosome 2: 16.8..17.8 (first tenth at 17.0).
        self.assertAlmostEqual(self.phases["PatientPool pass: pairs"], 9.0 + 1.0)
        self.assertAlmostEqual(self.phases["PatientPool pass: levels + reports"], 15.5 - 10.0)

    def test_comparison_and_representative_passes(self):
        # 27..30 after the control pass; 32.5..35 and 36.2..37 after the representative passes.
        self.assertAlmostEqual(self.phases["comparison"], 3.0 + 2.5 + 0.8)
        self.assertAlmostEqual(self.phases["representative pass PatientPool"], 2.0)
        self.assertAlmostEqual(self.phases["representative pass ControlPool"], 1.0)

    def test_writing(self):
        # HH summaries 4.0..4.5, after the patient pass 20..23, after the control
        # pass 26..27, pair tables 32..32.5 and 36..36.2, clean-up 37..37.5.
        self.assertAlmostEqual(self.phases["writing"], 0.5 + 3.0 + 1.0 + 0.5 + 0.2 + 0.5)


class PatientsOnlyRunWithQuery(unittest.TestCase):
    def test_query_is_timed_from_prompt_to_prompt(self):
        events = [
            (1.0, "Number of regions 22\n"),
            (2.0, "A total of 0 SNPs failed to find dbSNP rs ID\n"),
            (2.0, "\n\nPatientPool\n"),
            *progress(1, 2.2, 0.2),
            (5.0, "\nCompleted.\n\n"),
            (6.0, "\nInput the numbers for the subjects among whom you wish to obtain the RCHHs "),
            *progress(1, 7.0, 0.1),
            (9.0, "\nCompleted.\n\n"),
            (9.5, "Writing /o/HH_RCHHsSharedBy002_st001_st002.ps\n"),
            (10.0, "\nInput the numbers for the subjects among whom you wish to obtain the RCHHs "),
            (10.1, "\nCompleted!\n"),
        ]
        phases = velmora_phases.split(timeline(*events), 10.2)
        self.assertAlmostEqual(sum(phases.values()), 10.2)
        # First tenth at 7.1, one tenth every 0.1 s: the loop ran from 7.0 to 8.0.
        self.assertAlmostEqual(phases["query: pairs"], 1.0)
        self.assertAlmostEqual(phases["query: levels, reports, pair table, figure"], (10.1 - 6.0) - 1.0)
        self.assertAlmostEqual(phases["ControlPool pass: pairs"], 0.0)

    def test_a_run_stopped_in_its_pass_counts_up_to_the_stop(self):
        events = [(1.0, "Number of regions 22\n"), (2.0, "A total of 0 SNPs failed to find dbSNP rs ID\n"),
                  (2.0, "\n\nPatientPool\n"), *progress(1, 3.0, 1.0)]
        phases = velmora_phases.split(timeline(*events), 20.0)
        self.assertAlmostEqual(sum(phases.values()), 20.0)
        self.assertAlmostEqual(phases["PatientPool pass: pairs"], 10.0)


if __name__ == "__main__":
    unittest.main()
