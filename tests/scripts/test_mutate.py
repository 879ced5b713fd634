"""The plants scripts/mutate makes: which lines give which, and which it leaves alone."""

import os
import tempfile
import unittest
from importlib.machinery import SourceFileLoader

HERE = os.path.dirname(os.path.abspath(__file__))
mutate = SourceFileLoader('mutate', os.path.join(HERE, '..', '..', 'scripts', 'mutate')).load_module()


def plants(body, kinds=mutate.KINDS):
    """The plants of `body` as the body of a function, as (kind, new line stripped)."""
    lines = ['void f(int a, int b)', '{'] + body.split('\n') + ['}']
    return [(p.kind, p.new.strip()) for p in mutate.line_plants('x.cpp', lines, kinds)]


class Plants(unittest.TestCase):
    def test_lines(self):
        rows = [  # a line, its plants
            ('if (a < b)', [('cond', 'if (true)'), ('cond', 'if (false)'), ('cmp', 'if (a <= b)')]),
            ('x = a >= b || c == 0x0F;', [('drop', ';'), ('cmp', 'x = a > b || c == 0x0F;'),
                                         ('logic', 'x = a >= b && c == 0x0F;'),
                                         ('cmp', 'x = a >= b || c != 0x0F;'),
                                         ('const', 'x = a >= b || c == 0x10;'),
                                         ('const', 'x = a >= b || c == 0x0E;')]),
            ('g(0, 1.5, 2e3, n_2);', [('drop', ';'), ('const', 'g(1, 1.5, 2e3, n_2);')]),
            ('std::vector<int> v = h<3>(a);', [('const', 'std::vector<int> v = h<4>(a);'),
                                               ('const', 'std::vector<int> v = h<2>(a);')]),
            ('char d[2] = {a, 1};', [('const', 'char d[2] = {a, 2};'), ('const', 'char d[2] = {a, 0};')]),
            ('if (auto v = get(); v)', []),          # its name is used in the branch
            ('return a;', []),                       # a function left without its value
            ('QString s;', []),                      # a declaration, used further down
            ('s.reserve(10);', []),                  # changes nothing anyone sees
            ('T &&r = a;', []),
        ]
        for line, expected in rows:
            with self.subTest(line=line):
                self.assertEqual(plants(line + '\nuse();'), expected + [('drop', ';')])

    def test_comments_and_literals(self):
        body = ('// if (a < b) x = 1;\n'
                'auto s = QStringLiteral("a < b && 1");  /* a == b */ char c = \'<\';\n'
                '/* a < b\n'
                '   c == 1; */\n'
                'auto r = R"x(a < b\n'
                'if (c) 1;\n'
                ')x";\n'
                '#define M(a) (a < 1)\n'
                'call(10\'000);')
        self.assertEqual(plants(body), [('drop', ';'), ('const', "call(10001);"), ('const', 'call(9999);')])

    def test_statements_that_go_on(self):
        body = 'x = a ? b\n      : c;\nfoo(a,\n    b);\nif (a)\n    ++b;'
        self.assertEqual(plants(body, ('drop',)), [('drop', ';')])   # only ++b


class Planted(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.file = os.path.join(self.dir.name, 'x.cpp')
        with open(self.file, 'w') as f:
            f.write('void f()\n{\n    stop();\n}\nvoid g()\n{\n    stop();\n}\n')

    def tearDown(self):
        self.dir.cleanup()

    def test_old_text_occurs_once(self):
        self.assertIn('occurs 2 times', mutate.planted_plant(self.file, None, 'stop();', ';', '').problem)
        self.assertIn('occurs 0 times', mutate.planted_plant(self.file, None, 'start();', ';', '').problem)
        p = mutate.planted_plant(self.file, 'void g()', '    stop();', '    ;', '')
        self.assertEqual((p.problem, p.line, p.new), ('', 7, '    ;'))

    def test_written_back(self):
        p = mutate.planted_plant(self.file, 'void f()', 'stop();', 'go();', '')
        planting = mutate.Planting(self.file, os.path.join(self.dir.name, 'keep'))
        planting.plant(p)
        with open(self.file) as f:
            self.assertEqual(f.read().count('go();'), 1)
        planting.restore()
        planting.done()
        with open(self.file) as f:
            self.assertEqual(f.read().count('stop();'), 2)


if __name__ == '__main__':
    unittest.main()
