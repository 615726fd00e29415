#!/usr/bin/python3
"""Writes the test structures of Tavrel's structure-factor tests as CIF files and, for each, a
list of reflections with |F|^2 for X-rays and for electrons worked out independently of Tavrel:
gemmi reads each written file back and expands its sites to every atom of the cell
(SmallStructure.get_all_unit_cell_sites), and the sum over those atoms uses gemmi's tables of
International Tables Vol. C (Table 6.1.1.4, four Gaussians, for X-rays; Table 4.3.2.2, five
Gaussians, for electrons; neutral atoms for ions).

Needs Debian's python3-gemmi and python3-numpy; run with /usr/bin/python3 in this folder:
    /usr/bin/python3 make_reference.py
It rewrites the *.cif files here and reference.txt. The tests read them and need no python.
"""

import math
import gemmi

U_TO_B = 8 * math.pi ** 2


def ops_of(hall):
    return [op.triplet() for op in gemmi.symops_from_hall(hall)]


# Each site: label, element (what scatters), then the texts the file holds for type symbol
# (None: the column is left out of the whole loop, '?' an unknown value), x, y, z, occupancy,
# isotropic value, adp type; aniso: U11 U22 U33 U12 U13 U23 in square angstrom (or None).
def site(label, element, symbol, x, y, z, occ='1', iso='?', adp='Uiso', aniso=None):
    return dict(label=label, element=element, symbol=symbol, xyz=(x, y, z), occ=occ, iso=iso,
                adp=adp, aniso=aniso)


STRUCTURES = [
    dict(name='silicon', title='Silicon', cell=(5.4307, 5.4307, 5.4307, 90, 90, 90),
         hall='-F 4vw 2vw 3', hm='F d -3 m :2', number=227, iso_kind='B', hkl_limit=6,
         sites=[site('Si1', 'Si', 'Si', '0.125', '0.125', '0.125', iso='0.46', adp='Biso')]),
    dict(name='sodium_chloride', title='Halite', cell=(5.6402, 5.6402, 5.6402, 90, 90, 90),
         hall='-F 4 2 3', hm='F m -3 m', number=225, iso_kind='U', hkl_limit=6,
         sites=[site('Na1', 'Na', 'Na1+', '0', '0', '0', iso='0.0203(4)'),
                site('Cl1', 'Cl', 'Cl1-', '0.5', '0.5', '0.5', iso='0.0150(3)')]),
    dict(name='iron', title='alpha-Iron', cell=(2.8665, 2.8665, 2.8665, 90, 90, 90),
         hall='-I 4 2 3', hm='I m -3 m', number=229, iso_kind='U', hkl_limit=6, no_ops=True,
         sites=[site('Fe1', 'Fe', 'Fe', '0', '0', '0', iso='0.0044')]),
    # Wustite, iron-poor: the iron site is 92 % occupied.
    dict(name='wustite', title='Wustite', cell=(4.3094, 4.3094, 4.3094, 90, 90, 90),
         hall='-F 4 2 3', hm='F m -3 m', number=225, iso_kind='B', hkl_limit=6,
         sites=[site('Fe1', 'Fe', 'Fe2+', '0', '0', '0', occ='0.92(2)', iso='0.6', adp='Biso'),
                site('O1', 'O', 'O-2', '0.5', '0.5', '0.5', iso='0.7', adp='Biso')]),
    # Monoclinic, no type symbols: the labels name the elements ("Fe1a", "OW"); one iron on the
    # centre of symmetry 2d.
    dict(name='monoclinic', title='Monoclinic test structure',
         cell=(7.1021, 9.3370, 5.6108, 90, 104.52, 90),
         hall='-P 2ybc', hm='P 1 21/c 1', number=14, iso_kind='U', hkl_limit=4,
         sites=[site('Fe1a', 'Fe', None, '0.5', '0', '0.5', iso='0.0112(2)'),
                site('OW', 'O', None, '0.2113(4)', '0.0871(3)', '0.3342(5)', iso='0.0251(9)'),
                site('Cl1', 'Cl', None, '0.7314(1)', '0.3187(1)', '0.0626(2)', iso='0.0198(3)'),
                site('C1', 'C', None, '0.1032(6)', '0.4415(5)', '0.7758(8)', iso='0.0305(12)')]),
    # Triclinic with anisotropic sites: the loop's tensors decide, not the isotropic column.
    dict(name='anisotropic', title='Triclinic anisotropic test structure',
         cell=(6.2150, 7.4030, 8.1190, 81.30, 76.20, 68.40),
         hall='-P 1', hm='P -1', number=2, iso_kind='U', hkl_limit=4,
         sites=[site('Sr1', 'Sr', 'Sr2+', '0.1876(1)', '0.3102(1)', '0.2487(1)', iso='0.02',
                     adp='Uani', aniso=(0.0121, 0.0154, 0.0098, -0.0041, 0.0017, -0.0029)),
                site('O1', 'O', 'O2-', '0.4120(8)', '0.1186(7)', '0.6711(6)', iso='0.03',
                     adp='Uani', aniso=(0.0260, 0.0185, 0.0312, 0.0064, -0.0088, 0.0027)),
                site('Si1', 'Si', 'Si4+', '0.8120(3)', '0.7391(3)', '0.0914(3)',
                     iso='0.0087(4)')]),
    # The older way: B tensors, rows linked by _atom_site_aniso_type_symbol.
    dict(name='anisotropic_b', title='Monoclinic anisotropic test structure (B)',
         cell=(9.8210, 5.7160, 7.0520, 90, 112.31, 90),
         hall='-C 2y', hm='C 1 2/m 1', number=12, iso_kind='B', hkl_limit=4, aniso_b=True,
         sites=[site('Ba1', 'Ba', 'Ba', '0.2711(1)', '0', '0.1902(1)', iso='?',
                     adp='Bani', aniso=(0.0102, 0.0131, 0.0087, 0, 0.0021, 0)),
                site('S1', 'S', 'S', '0', '0.2490(5)', '0.5', iso='0.93', adp='Biso')]),
    # The built-in samples Corundum and Quartz, with the sites and cells of the sample table.
    dict(name='corundum', title='Corundum', cell=(4.758, 4.758, 12.991, 90, 90, 120),
         hall='-R 3 2"c', hm='R -3 c :H', number=167, iso_kind='B', hkl_limit=5,
         sites=[site('Al1', 'Al', 'Al', '0', '0', '0.35216', iso='0', adp='Biso'),
                site('O1', 'O', 'O', '0.30624', '0', '0.25', iso='0', adp='Biso')]),
    dict(name='quartz', title='Quartz', cell=(4.9128, 4.9128, 5.4042, 90, 90, 120),
         hall='P 32 2"', hm='P 32 2 1', number=154, iso_kind='B', hkl_limit=5,
         sites=[site('Si1', 'Si', 'Si', '0.4697', '0', repr(2 / 3), iso='0', adp='Biso'),
                site('O1', 'O', 'O', '0.4135', '0.2669', repr(0.1191 + 2 / 3), iso='0',
                     adp='Biso')]),
]


def number(text):
    return float(text.split('(')[0])


def quote(text):
    return "'" + text + "'" if (' ' in text or text[0] in '_#$\'"[];') else text


def cif_text(s):
    lines = ['# Written by make_reference.py for the structure-factor tests.',
             'data_' + s['name'], "_chemical_name_common '%s'" % s['title']]
    for name, value in zip(('length_a', 'length_b', 'length_c', 'angle_alpha', 'angle_beta',
                            'angle_gamma'), s['cell']):
        lines.append('_cell_%s %s' % (name, value))
    lines.append('_space_group_IT_number %d' % s['number'])
    lines.append("_space_group_name_H-M_alt '%s'" % s['hm'])
    lines.append("_space_group_name_Hall '%s'" % s['hall'])
    if not s.get('no_ops'):
        lines += ['loop_', '_space_group_symop_operation_xyz']
        lines += ["'%s'" % op for op in ops_of(s['hall'])]
    with_symbol = any(site['symbol'] is not None for site in s['sites'])
    iso_item = '_atom_site_U_iso_or_equiv' if s['iso_kind'] == 'U' else '_atom_site_B_iso_or_equiv'
    lines += ['loop_', '_atom_site_label']
    if with_symbol:
        lines.append('_atom_site_type_symbol')
    lines += ['_atom_site_fract_x', '_atom_site_fract_y', '_atom_site_fract_z',
              '_atom_site_occupancy', iso_item, '_atom_site_adp_type']
    for site in s['sites']:
        row = [site['label']]
        if with_symbol:
            row.append(site['symbol'] or '?')
        row += list(site['xyz']) + [site['occ'], site['iso'], site['adp']]
        lines.append(' '.join(quote(v) for v in row))
    aniso = [site for site in s['sites'] if site['aniso']]
    if aniso:
        older = s.get('aniso_b')
        key = '_atom_site_aniso_type_symbol' if older else '_atom_site_aniso_label'
        letter = 'B' if older else 'U'
        lines += ['loop_', key] + ['_atom_site_aniso_%s_%s' % (letter, ij)
                                   for ij in ('11', '22', '33', '12', '13', '23')]
        for site in aniso:
            factor = U_TO_B if older else 1.0
            lines.append(' '.join([site['label']] + ['%.6g' % (u * factor) for u in site['aniso']]))
    return '\n'.join(lines) + '\n'


def u_equivalent(cell, u):
    """Ueq as a third of the trace of the tensor turned into Cartesian axes:
    U_cart = A N U N A^T, A the orthogonalisation matrix, N = diag(a*, b*, c*)."""
    a = cell.orthogonalization_matrix.tolist()
    rec = cell.reciprocal()
    n = (rec.a, rec.b, rec.c)
    u11, u22, u33, u12, u13, u23 = u
    tensor = ((u11, u12, u13), (u12, u22, u23), (u13, u23, u33))
    scaled = [[n[i] * tensor[i][j] * n[j] for j in range(3)] for i in range(3)]
    trace = 0.0
    for r in range(3):
        for i in range(3):
            for j in range(3):
                trace += a[r][i] * scaled[i][j] * a[r][j]
    check = cell.calculate_u_eq(gemmi.SMat33d(*u))
    assert abs(trace / 3 - check) < 1e-12, (trace / 3, check)
    return trace / 3


def b_of(s, cell, site):
    if site['aniso'] and site['adp'] not in ('Uiso', 'Biso'):
        # The tensor as the file holds it (B tensors are rounded when written).
        factor = U_TO_B if s.get('aniso_b') else 1.0
        u = [float('%.6g' % (v * factor)) / factor for v in site['aniso']]
        return U_TO_B * u_equivalent(cell, u)
    if site['iso'] == '?':
        return 0.0
    return number(site['iso']) * (U_TO_B if s['iso_kind'] == 'U' else 1.0)


def reflections(cell, limit):
    """Every (h k l) within the limit but (0 0 0), the strongest shells first: the 200 with the
    largest d, then every fifth of the rest, up to 320."""
    r = range(-limit, limit + 1)
    all_hkl = sorted(((h, k, l) for h in r for k in r for l in r if (h, k, l) != (0, 0, 0)),
                     key=lambda hkl: (-cell.calculate_d(list(hkl)), hkl))
    chosen = all_hkl[:200] + all_hkl[200::5]
    return chosen[:320]


def main():
    out = ['# h k l d |F|^2 (X-rays, e^2) |F|^2 (electrons, A^2), per structure',
           '# Written by make_reference.py with gemmi %s.' % gemmi.__version__]
    for s in STRUCTURES:
        path = s['name'] + '.cif'
        with open(path, 'w') as f:
            f.write(cif_text(s))
        st = gemmi.read_small_structure(path)
        assert len(st.sites) == len(s['sites'])
        cell = st.cell
        # gemmi's reader gives the expansion; what scatters, and how much, comes from the table
        # above.
        for gsite, site in zip(st.sites, s['sites']):
            gsite.element = gemmi.Element(site['element'])
            gsite.occ = number(site['occ'])
            gsite.u_iso = b_of(s, cell, site) / U_TO_B
        atoms = st.get_all_unit_cell_sites()
        out.append('structure %s %d' % (s['name'], len(atoms)))
        for h, k, l in reflections(cell, s['hkl_limit']):
            d = cell.calculate_d([h, k, l])
            stol2 = 1 / (4 * d * d)
            sums = {}
            for kind in ('it92', 'c4322'):
                re = im = 0.0
                for atom in atoms:
                    table = getattr(atom.element, kind)
                    f = table.calculate_sf(stol2) * math.exp(-U_TO_B * atom.u_iso * stol2)
                    phase = 2 * math.pi * (h * atom.fract.x + k * atom.fract.y + l * atom.fract.z)
                    re += atom.occ * f * math.cos(phase)
                    im += atom.occ * f * math.sin(phase)
                sums[kind] = re * re + im * im
            out.append('%d %d %d %.9g %.12g %.12g' % (h, k, l, d, sums['it92'], sums['c4322']))
    with open('reference.txt', 'w') as f:
        f.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
