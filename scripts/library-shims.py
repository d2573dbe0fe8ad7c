#!/usr/bin/env python3
"""Writes src/core/geo/ProjLibrary.cpp, src/core/gis/GdalLibrary.cpp and
src/core/server/PqLibrary.cpp: the program's own definition of every PROJ,
GDAL and libpq function its sources call (or hand over as callbacks), each
forwarding to the library's function loaded at its first call
(src/core/base/LazyLibrary.h). Run it from the project's root after a new call
into one of them; it reads the installed headers.

    scripts/library-shims.py
"""
import glob, os, re, shutil, subprocess, sys

KEYWORDS = {'int', 'char', 'double', 'long', 'unsigned', 'void', 'float', 'short',
            'size_t', 'const', 'signed'}


def declarations(includes, flags):
    source = ''.join('#include <%s>\n' % i for i in includes)
    text = subprocess.run(['c++', '-E', '-P', '-x', 'c++', '-'] + flags, input=source,
                          capture_output=True, text=True, check=True).stdout
    text = re.sub(r'__attribute__\s*\(\((?:[^()]|\([^()]*\))*\)\)', '', text)
    return re.sub(r'\s+', ' ', text)


def declaration(text, name):
    m = re.search(r'(?:^|[;{}])\s*(?:extern "C" )?([^;{}()#]*?)\b' + name +
                  r'\s*\(((?:[^()]|\((?:[^()]|\([^()]*\))*\))*)\)\s*(?:noexcept)?\s*;', text)
    if not m:
        return None
    return m.group(1).replace('extern ', '').strip(), m.group(2).strip()


def parameters(text):
    if text in ('', 'void'):
        return [], []
    parts, depth, current = [], 0, ''
    for c in text:
        depth += c == '('
        depth -= c == ')'
        if c == ',' and depth == 0:
            parts.append(current)
            current = ''
        else:
            current += c
    parts.append(current)
    declared, names = [], []
    for i, part in enumerate(parts):
        part, name, array = part.strip(), 'a%d' % i, ''
        m = re.match(r'(.*?)(\[[^\]]*\])$', part)
        if m:
            part, array = m.group(1).strip(), m.group(2)
        if '(*' in part:  # a function pointer
            declared.append(re.sub(r'\(\s*\*\s*\w*\s*\)', '(*%s)' % name, part, 1))
        else:
            tokens = re.findall(r'[A-Za-z_]\w*|\*|&', part)
            if len(tokens) >= 2 and re.match(r'[A-Za-z_]\w*$', tokens[-1]) and \
                    tokens[-1] not in KEYWORDS:
                part = part[:part.rfind(tokens[-1])].rstrip()
            declared.append('%s %s%s' % (part, name, array))
        names.append(name)
    return declared, names


def called(files, pattern, own):
    names = set()
    for path in files:
        if os.path.basename(path) != own:
            names |= set(re.findall(pattern, open(path, encoding='utf-8').read()))
    return sorted(names)


def write(path, lead, includes, flags, library, names):
    text = declarations(includes, flags)
    body = []
    for name in names:
        found = declaration(text, name)
        if not found:
            continue  # a type, a constant or a macro of that name
        result, params = found
        declared, args = parameters(params)
        body.append('%s %s(%s) {\n    %s%s(%s)(%s);\n}' % (
            result, name, ', '.join(declared) or 'void',
            '' if result == 'void' else 'return ', 'ORVENA_%s_CALL' % library, name,
            ', '.join(args)))
    with open(path, 'w', encoding='utf-8') as out:
        out.write(lead + '\nextern "C" {\n\n' + '\n\n'.join(body) + '\n\n} // extern "C"\n')
    if shutil.which('clang-format'):
        subprocess.run(['clang-format', '-i', path], check=True)


def flags_of(package):
    found = subprocess.run(['pkg-config', '--cflags', package], capture_output=True, text=True)
    return found.stdout.split() if found.returncode == 0 else []



PROJ_LEAD = '''// PROJ, loaded at the first call of one of its functions (LazyLibrary.h): the
// program's own definitions of the functions of PROJ it calls, each
// forwarding to PROJ's. Written by scripts/library-shims.py: run it after a
// new call into PROJ.
#include "core/base/LazyLibrary.h"

#include <geodesic.h>
#include <proj.h>

#define ORVENA_PROJ_CALL(name) ORVENA_LAZY_CALL(ORVENA_PROJ_LIBRARY, name)
'''

GDAL_INCLUDES = ['cpl_conv.h', 'cpl_error.h', 'cpl_string.h', 'gdal.h', 'gdal_alg.h',
                 'gdal_utils.h', 'gdalwarper.h', 'ogr_api.h', 'ogr_srs_api.h']
GDAL_LEAD = '''// GDAL, loaded at the first call of one of its functions (LazyLibrary.h): the
// program's own definitions of the functions of GDAL it calls (or hands GDAL
// as callbacks), each forwarding to GDAL's. Written by
// scripts/library-shims.py: run it after a new call into GDAL.
#include "core/base/LazyLibrary.h"

''' + ''.join('#include <%s>\n' % i for i in GDAL_INCLUDES) + '''
#define ORVENA_GDAL_CALL(name) ORVENA_LAZY_CALL(ORVENA_GDAL_LIBRARY, name)

// GDAL marks some of its functions "warn unused result": an attribute a
// pointer to them drops, which is all this file does with them.
#pragma GCC diagnostic ignored "-Wignored-attributes"
'''


PQ_LEAD = '''// libpq, PostgreSQL's client library, loaded at the first call of one of its
// functions (LazyLibrary.h), so an atlas kept in files never loads it: the
// program's own definitions of the functions of libpq it calls, each
// forwarding to libpq's. Written by scripts/library-shims.py: run it after a
// new call into libpq.
#include "core/base/LazyLibrary.h"

#include <libpq-fe.h>

#define ORVENA_PQ_CALL(name) ORVENA_LAZY_CALL(ORVENA_PQ_LIBRARY, name)
'''


def main():
    if not os.path.isdir('src/core'):
        sys.exit('run it from the project\'s root')
    sources = glob.glob('src/**/*.cpp', recursive=True) + glob.glob('src/**/*.h', recursive=True)
    write('src/core/geo/ProjLibrary.cpp', PROJ_LEAD, ['geodesic.h', 'proj.h'], flags_of('proj'),
          'PROJ', called(sources, r'\b((?:proj|geod)_\w+)\b', 'ProjLibrary.cpp'))
    write('src/core/gis/GdalLibrary.cpp', GDAL_LEAD, GDAL_INCLUDES, flags_of('gdal'), 'GDAL',
          called(sources, r'\b((?:GDAL|OSR|OCT|OGR|CPL|CSL|VSI)\w+)\b', 'GdalLibrary.cpp'))
    write('src/core/server/PqLibrary.cpp', PQ_LEAD, ['libpq-fe.h'], flags_of('libpq'), 'PQ',
          called(sources, r'\b(PQ\w+)\b', 'PqLibrary.cpp'))


if __name__ == '__main__':
    main()
