"""Hand-made DXF drawings for the corners that seeded drawings seldom reach.

edge_cases() returns (name, bytes) pairs; the helpers build groups, sections, blocks and
entities as lists of lines.
"""


# ---- hand-made drawings ----------------------------------------------------------------
def _grp(*pairs):
    out = []
    for code, value in pairs:
        out += ["%3s" % code, value]
    return out


def _header(x0="0", y0="0", x1="100", y1="100"):
    return _grp((0, "SECTION"), (2, "HEADER"), (9, "$EXTMIN"), (10, x0), (20, y0),
                (9, "$EXTMAX"), (10, x1), (20, y1), (0, "ENDSEC"))


def _section(name, *ents):
    return _grp((0, "SECTION"), (2, name)) + sum(ents, []) + _grp((0, "ENDSEC"))


def _block(name, *ents):
    return (_grp((0, "BLOCK"), (8, "0"), (2, name), (70, "0"), (10, "0"), (20, "0"), (30, "0")) +
            sum(ents, []) + _grp((0, "ENDBLK"), (8, "0")))


def _line(a, b, c, d):
    return _grp((0, "LINE"), (8, "0"), (10, a), (20, b), (30, "0"), (11, c), (21, d), (31, "0"))


def _arc(x, y, r, a0, a1):
    return _grp((0, "ARC"), (8, "0"), (10, x), (20, y), (40, r), (50, a0), (51, a1))


def _circle(x, y, r):
    return _grp((0, "CIRCLE"), (8, "0"), (10, x), (20, y), (40, r))


def _polyline(*vertices, seqend=True):
    out = _grp((0, "POLYLINE"), (8, "0"), (66, "1"), (70, "0"))
    for v in vertices:
        out += _grp((0, "VERTEX"), (8, "0")) + _grp(*v)
    return out + (_grp((0, "SEQEND")) if seqend else [])


def _insert(name, *extra):
    return (_grp((0, "INSERT"), (8, "0")) + (_grp((2, name)) if name is not None else []) +
            _grp(*extra))


def edge_cases():
    """Hand-made drawings for the corners that random drawings seldom reach: (name, bytes)."""
    out = []

    def case(name, lines, eol="\n", final=True, cut=None):
        d = (eol.join(lines) + (eol if final else "")).encode("latin-1")
        out.append((name, d if cut is None else d[:cut]))

    H, S, B, L, A, C, P, I, g = (_header, _section, _block, _line, _arc, _circle, _polyline,
                                 _insert, _grp)
    eof = g((0, "EOF"))
    a_line = B("A", L("0", "0", "10", "5"))
    case("ins_two_names", H() + S("BLOCKS", a_line) + S("ENTITIES", I("A", (2, "NOPE"),
         (10, "5"), (20, "5")), I("NOPE", (2, "A"))) + eof)
    case("ins_attr_seqend_code", H() + S("BLOCKS", a_line) + S("ENTITIES", I("A", (66, "1")), g(
        (0, "ATTRIB"), (2, "T"), (1, "v"), (5, "SEQEND"), (10, "3"), (0, "LINE"), (10, "1"),
        (20, "1"), (11, "2"), (21, "2")), L("0", "0", "50", "50")) + eof)
    case("ins_attr_66_2", H() + S("BLOCKS", a_line) + S("ENTITIES", I("A", (66, "2"),
                                                                      (10, "20"))) + eof)
    case("blk_endsec_cut", H() + g((0, "SECTION"), (2, "BLOCKS")) + a_line + g((0, "ENDSEC")),
         final=False)
    case("hdr_endsec_cut", H(), final=False)
    case("eof_cut", H() + eof, final=False)
    case("eof_crlf_cut", H() + eof, eol="\r\n", final=False)
    two = (((10, "1"), (20, "2")), ((10, "5"), (20, "9")))
    case("pl_seqend_cut", H() + S("ENTITIES", P(*two)), final=False)
    case("pl_no_seqend", H() + S("ENTITIES", P(*two, seqend=False)))
    ents = g((0, "SECTION"), (2, "ENTITIES"))
    case("line_eof", H() + ents + g((0, "LINE"), (10, "1"), (20, "1")), final=False)
    case("line_cut_21", H() + ents + g((0, "LINE"), (10, "1"), (20, "1"), (11, "7"), (21, "9")),
         final=False)
    case("circle_wrap", H("0", "0", "1", "1") + S("ENTITIES", C("0.5", "0.5", "3"),
         C("10", "10", "0.1"), C("-5", "-5", "1e9"), C("0", "0", "1e-9")) + eof)
    case("arc_angles", H() + S("ENTITIES", A("50", "50", "10", "1e9", "3e9"),
         A("50", "50", "10", "-32769.7", "70000.2"), A("1", "1", "1", "nan", "inf")) + eof)
    case("ins_zero_scale", H() + S("BLOCKS", B("A", L("0", "0", "10", "5"),
                                               A("5", "5", "2", "0", "90"))) +
         S("ENTITIES", I("A", (41, "0"), (42, "-0")), I("A", (41, "-0.5"), (42, "-3"),
                                                       (10, "50"), (20, "50"))) + eof)
    case("line_wrap", H() + S("ENTITIES", L("-1e6", "5", "1e6", "7"), L("1e300", "0", "0", "1"),
                              L("5", "5", "5", "5"), L("3", "-1e400", "3", "1e400")) + eof)
    case("nested_arc_mirror", H() + S("BLOCKS", B("O", I("M", (10, "10"), (20, "20"),
                                                        (41, "-2"), (42, "1.5"))),
                                      B("M", A("5", "5", "2", "10", "80"),
                                        L("0", "0", "10", "10"))) +
         S("ENTITIES", I("O", (41, "-1"))) + eof)
    case("blk_pl_no_y", H() + S("BLOCKS", B("P", P(((10, "1"),), ((10, "5"),)))) +
         S("ENTITIES", I("P")) + eof)
    case("blk_pl_endblk", H() + S("BLOCKS", B("P", P(*two, seqend=False)),
                                  B("Q", P(((10, "0"), (20, "0")), ((10, "4"), (20, "4"))))) +
         S("ENTITIES", I("P"), I("Q")) + eof)
    case("ent_before_hdr", S("ENTITIES", L("0", "0", "1", "1")) + H() + eof)
    case("two_blocks", H() + S("BLOCKS", a_line) + S("BLOCKS") + eof)
    case("hdr_after_blocks", S("BLOCKS", a_line) + H() +
         S("ENTITIES", I("A"), L("0", "0", "1", "1")) + eof)
    case("tables_code1_header", H() + S("TABLES", g((0, "TABLE"), (1, "HEADER"))) + eof)
    case("circle_40_first", H() + S("ENTITIES", g(
        (0, "CIRCLE"), (40, "5"), (10, "50"), (20, "50"), (62, "1"), (40, "7"), (0, "LINE"),
        (10, "0"), (20, "0"), (11, "1"), (21, "1"))) + eof)
    case("ins_no_store", H() + S("ENTITIES", I("A", (10, "1")), L("0", "0", "5", "5")) + eof)
    cut_ins = H() + S("BLOCKS", a_line) + ents + I("A", (10, "30"), (20, "40"))
    case("ins_cut_in_loop", cut_ins, final=False)
    case("ins_cut_mid", cut_ins, cut=-3)
    empty = g((0, "TABLE"), (2, "LTYPE"), (70, "0"), (0, "ENDTAB"))
    case("empty_tables", H() + S("TABLES", empty, g((0, "TABLE"), (2, "LAYER"), (70, "0"),
                                                    (0, "ENDTAB"))) + eof)
    case("empty_table_cut", H() + g((0, "SECTION"), (2, "TABLES")) + empty, final=False)
    case("tables_endsec_cut", H() + S("TABLES"), final=False)
    case("ents_endsec_cut", H() + S("ENTITIES"), final=False)
    case("vertex_20_first", H() + S("ENTITIES", P(((20, "2"), (10, "1")), ((20, "9"), (10, "5")),
                                                  ((10, "7"), (20, "7")))) + eof)
    case("pl_one_vertex_far", H() + S("ENTITIES", P(((10, "20000"), (20, "30000"))),
                                      P(((10, "5"), (20, "5"))), P()) + eof)
    case("blk_dup_names", H() + S("BLOCKS", B("A", L("0", "0", "1", "1")),
                                  B("A", L("0", "0", "9", "9")), B("B", I("A", (41, "2")))) +
         S("ENTITIES", I("B"), I("A")) + eof)
    case("blk_selfref", H() + S("BLOCKS", B("A", I("B")), B("B", I("A")),
                                B("C", L("0", "0", "1", "1"))) + S("ENTITIES", I("C")) + eof)
    case("blk_missing_ref", H() + S("BLOCKS", B("A", L("0", "0", "1", "1"), I("NOPE"),
                                                A("0", "0", "1", "0", "90"))) +
         S("ENTITIES", I("A")) + eof)
    case("long_name", H() + S("BLOCKS", B("N" * 45, L("0", "0", "1", "1")),
                              B("R", I("N" * 39 + "ZZZ"))) +
         S("ENTITIES", I("N" * 39 + "Q"), I("R")) + eof)
    hdr = g((0, "SECTION"), (2, "HEADER"))
    case("hdr_limmax_z", H()[:-2] + g((9, "$LIMMAX"), (10, "1"), (20, "1"), (30, "0"),
                                      (0, "ENDSEC")) + eof)
    case("hdr_extmin_z_then_var", hdr + g((9, "$EXTMIN"), (10, "0"), (20, "0"), (9, "$EXTMAX"),
                                          (10, "10"), (20, "10"), (30, "5"), (0, "ENDSEC")) + eof)
    case("hdr_short_name", hdr + g((9, "$"), (1, "x"), (0, "ENDSEC")) + eof)
    case("hdr_lower", hdr + g((9, "$extmin"), (1, "x"), (0, "ENDSEC")) + eof)
    case("hdr_extents_comment", hdr + g((9, "$EXTMIN"), (999, "5"), (20, "0"), (9, "$EXTMAX"),
                                        (10, "10"), (20, "10"), (0, "ENDSEC")) + eof)
    case("two_headers_second_bad", H("0", "0", "2000", "8") + H("100", "100", "0", "0") + eof)
    case("two_headers_second_cut", H("0", "0", "2000", "8") + hdr + g((9, "$EXTMIN")),
         final=False)
    case("best_size_edges", H("0", "0", "42949672.96", "1e-45") + eof)
    case("best_size_edges2", H("0", "0", "42949672", "0.001") + eof)
    case("best_size_inf", H("-1e400", "0", "1e400", "5") + eof)
    case("best_size_nan", H("1e400", "0", "1e400", "5") + eof)
    case("sec_eofx", H() + g((0, "SECTION"), (2, "EOFX")))
    case("neg_code", H() + g((-1, "x")) + eof)
    case("long_code_line", H() + [" " * 250 + "0", "EOF"])
    case("nul_line", H() + ["  0", "EOF\0junk"])
    case("nul_line2", H() + ["  0", "EO\0F"])
    case("cr_mid", H() + ["  0", "E\rOF"])
    case("long_value_eof", H() + ["  0", "EOF" + "x" * 300])
    case("ins_empty_blk", H() + S("BLOCKS", B("E")) +
         S("ENTITIES", I("E", (10, "5")), L("0", "0", "1", "2")) + eof)
    case("attdef_in_blk", H() + S("BLOCKS", B("A", L("0", "0", "1", "1"), g(
        (0, "ATTDEF"), (10, "1"), (20, "1"), (30, "0"), (2, "TAG"), (70, "0"), (10, "4"),
        (20, "4")), L("0", "0", "5", "5"))) + S("ENTITIES", I("A"), I("TAG")) + eof)
    case("blk_item_before_rec", H() + S("BLOCKS", L("0", "0", "1", "1"), g(
        (0, "ARC"), (2, "X"), (10, "3"), (20, "4")), B("B", L("0", "0", "1", "1"))) +
         S("ENTITIES", I("X"), I("B")) + eof)
    case("blk_arc_bad_end", H() + S("BLOCKS", B("A", g((0, "ARC"), (10, "0"), (20, "0"),
                                                       (40, "1"), (50, "0"), (59, "90")))) + eof)
    case("blk_line_missing", H() + S("BLOCKS", B("A", g(
        (0, "LINE"), (8, "0"), (20, "3"), (30, "1"), (11, "4"), (21, "5")), g(
        (0, "LINE"), (10, "2"), (20, "3"), (21, "8")))) + S("ENTITIES", I("A")) + eof)
    case("circle_z", H() + S("ENTITIES", C("1", "1", "1"), g((0, "CIRCLE"), (10, "1"), (20, "1"),
                                                             (30, "0"), (40, "1"))) + eof)
    case("blk_z_base", H() + S("BLOCKS", g((0, "BLOCK"), (2, "A"), (10, "1"), (30, "0"),
                                           (20, "3"))) + eof)
    _block_features(case)
    return out


def _based(name, bx, by, *ents):
    return (_grp((0, "BLOCK"), (8, "0"), (2, name), (70, "0"), (10, bx), (20, by), (30, "0"),
                 (3, name)) + sum(ents, []) + _grp((0, "ENDBLK"), (8, "0")))


def _attdef(tag, x, y, tag_first=False):
    pts = [(10, x), (20, y), (30, "0")]
    rest = [(40, "2.5"), (1, "default"), (3, "prompt"), (2, tag), (70, "0")]
    return _grp((0, "ATTDEF"), (8, "0"), *(([(2, tag)] + pts + rest[:3]) if tag_first else
                                          (pts + rest)))


def _block_features(case):
    """Entities with a group 2 of their own inside blocks, base points away from the
    geometry, and mirrored arcs."""
    H, S, B, L, A, C, I, g = (_header, _section, _block, _line, _arc, _circle, _insert, _grp)
    eof = g((0, "EOF"))
    five = (L("0", "0", "50", "50") + C("50", "50", "10") + A("20", "20", "5", "0", "90") +
            L("10", "90", "90", "90") + I("T", (10, "10"), (20, "10")))
    case("attdef_last_then_entities", H() + S("BLOCKS", _based(
        "T", "0", "0", L("0", "0", "30", "0"), L("30", "0", "30", "10"),
        _attdef("TITLE", "2", "2"), _attdef("DRAWN_BY", "2", "6", tag_first=True))) +
        S("ENTITIES", five) + eof)
    case("attdef_mid_block", H() + S("BLOCKS", _based(
        "A", "0", "0", L("0", "0", "1", "1"), _attdef("T1", "4", "4", tag_first=True),
        L("0", "0", "5", "5"), _attdef("A", "7", "7"), A("3", "3", "1", "0", "180"))) +
        S("ENTITIES", I("A"), I("T1"), I("A", (10, "40"), (41, "-2"))) + eof)
    attribs = g((0, "ATTRIB"), (8, "0"), (10, "1"), (20, "1"), (40, "1"), (1, "v"), (2, "T0"),
                (70, "0"), (0, "ATTRIB"), (8, "0"), (2, "A"), (10, "2"), (20, "2"), (1, "w"),
                (0, "SEQEND"), (8, "0"))
    case("attrib_after_blk_insert", H() + S("BLOCKS", B("A", L("0", "0", "4", "2")), B(
        "W", g((0, "INSERT"), (8, "0"), (66, "1"), (2, "A"), (10, "10"), (20, "10"),
               (41, "2")), attribs, L("0", "0", "1", "9"))) +
        S("ENTITIES", I("W"), I("T0")) + eof)
    dim = g((0, "DIMENSION"), (8, "0"), (2, "*D1"), (10, "5"), (20, "5"), (30, "0"), (11, "2"),
            (21, "6"), (31, "0"), (70, "0"), (1, ""), (13, "0"), (23, "0"), (14, "10"),
            (24, "0"))
    case("dimension_anon_block", H() + S("BLOCKS", _based(
        "*D1", "0", "0", L("0", "0", "10", "0"), g((0, "SOLID"), (10, "0"), (20, "0"),
                                                     (11, "1"), (21, "1")),
        g((0, "TEXT"), (10, "4"), (20, "1"), (40, "1"), (1, "10"))),
        B("P", dim, L("0", "0", "20", "20"))) + S("ENTITIES", dim, I("P"), I("*D1")) + eof)
    shape = g((0, "SHAPE"), (8, "0"), (10, "3"), (20, "3"), (40, "1"), (2, "P"), (50, "0"))
    case("shape_in_block", H() + S("BLOCKS", B("P", shape, L("0", "0", "6", "6"), shape),
                                   B("Q", L("0", "0", "1", "1"))) +
         S("ENTITIES", I("P", (10, "50")), I("Q")) + eof)
    m = _based("M", "20", "10", L("15", "5", "30", "20"), A("25", "12", "3", "30", "120"))
    tops = [I("M", (10, "50"), (20, "50"), (41, sx), (42, sy))
            for sx, sy in (("2", "3"), ("-2", "3"), ("2", "-3"), ("-2", "-3"), ("1", "1"))]
    case("base_away_top", H() + S("BLOCKS", m) + S("ENTITIES", *tops) + eof)
    case("base_away_nested", H("-100", "-100", "200", "200") + S("BLOCKS", _based(
        "O", "7", "-3", I("M", (10, "10"), (20, "20"), (41, "-2"), (42, "1.5")),
        I("M", (10, "-5"), (41, "1"), (42, "-1")), I("M", (41, "-1"), (42, "-1")),
        L("7", "-3", "0", "0")), m) + S("ENTITIES", I("O", (41, "-1"), (42, "2")),
                                        I("O", (10, "60"), (20, "30"), (41, "0.5"))) + eof)
    arcs = (A("0", "0", "1", "350", "20") + A("2", "0", "1", "0", "360") +
            A("4", "0", "1", "90.5", "90.5") + A("6", "0", "1", "-30", "400") +
            A("8", "0", "1", "179.9", "0.1"))
    nests = [I("R", (41, sx), (42, sy)) for sx, sy in (("-1", "1"), ("1", "-1"), ("-1", "-1"),
                                                       ("-0", "-1"), ("-1e400", "-1"))]
    case("arc_mirror_wrap", H("-20", "-20", "20", "20") + S(
        "BLOCKS", _based("R", "1", "1", arcs), _based("N", "0", "0", *nests)) +
        S("ENTITIES", I("R"), I("R", (41, "-1")), I("R", (42, "-1")),
          I("R", (41, "-1"), (42, "-1")), I("N"), I("N", (41, "-1")),
          I("N", (41, "-1"), (42, "-1"))) + eof)
    case("group2_outside_block", H() + g((0, "SECTION"), (2, "BLOCKS"), (2, "X"), (10, "1"),
                                         (20, "1")) + B("A", L("0", "0", "1", "1")) +
         g((2, "Y"), (10, "3"), (20, "3"), (0, "LINE"), (2, "Z"), (10, "5"), (20, "5"),
           (11, "6"), (21, "6"), (0, "ENDSEC")) + S("ENTITIES", I("A"), I("X"), I("Y")) + eof)
    case("block_two_names", H() + S("BLOCKS", g(
        (0, "BLOCK"), (8, "0"), (2, "A"), (10, "1"), (20, "1"), (2, "A2"), (10, "5"), (20, "6"),
        (0, "LINE"), (10, "0"), (20, "0"), (11, "9"), (21, "9"), (0, "ENDBLK"))) +
         S("ENTITIES", I("A"), I("A2", (10, "20"))) + eof)
    case("block_base_after_name", H() + S("BLOCKS", g(
        (0, "BLOCK"), (8, "0"), (10, "50"), (20, "50"), (2, "A"), (70, "0"), (0, "LINE"),
        (10, "3"), (20, "4"), (11, "9"), (21, "9"), (0, "LINE"), (10, "0"), (20, "0"),
        (11, "8"), (21, "2"), (0, "ENDBLK"))) + S("ENTITIES", I("A", (10, "10"))) + eof)
    case("block_base_no_x", H() + S("BLOCKS", B("A", A("33", "3", "1", "0", "90")), g(
        (0, "BLOCK"), (8, "0"), (2, "B"), (20, "7"), (0, "LINE"), (10, "2"), (20, "2"),
        (11, "9"), (21, "9"), (0, "ENDBLK"))) + S("ENTITIES", I("B", (10, "10"))) + eof)
