var KRAG = { data: "", programs: "" }; // written by krag --tiled-extension
/*
 * KRAG maps (*.krm) in the Tiled map editor.
 *
 * A .krm file is a header (size, sky colours, relief, the tile pictures) and a grid of
 * one character a cell. In Tiled a map has two tile layers:
 *   "tiles"   the terrain, from the tileset "KRAG tiles" (the game's tile pictures;
 *             each tile's property "file" is the picture's name in bmp/);
 *   "things"  every other cell character, from the tileset "KRAG marks": the picture
 *             of character C is tile C - 32, its property "character" says which
 *             (walls, barriers, props, spawn points, route marks, and any other
 *             character, kept as written).
 * The header becomes map properties: "sky top" and "sky bottom" (three numbers 0-255),
 * "tile relief" and "tiles", the tile list in the order of the letters a, b, c...
 * A tile used that is not in the list is added to its end when the map is written.
 *
 * Every save is checked with krag-mapcheck first: a map the game would refuse is not
 * written; each fault goes into the Issues view (double-click jumps to the cell).
 * The Map menu gains "Test-play in KRAG" and "Show bot routes".
 */

var TILES_LAYER = "tiles", THINGS_LAYER = "things", ROUTES_LAYER = "bot routes (not saved)";
var TILES_SET = "KRAG tiles", MARKS_SET = "KRAG marks";
var CELL = 16;

function folderOf(path) {
    var slash = path.lastIndexOf("/");
    return slash < 0 ? "." : path.substring(0, slash);
}

function baseName(path) {
    return path.substring(path.lastIndexOf("/") + 1);
}

// The game's data folder: set when the extension was installed by krag, else the map's
// own data folder (a map in krm/ beside tiled/).
function dataFolder(mapFile) {
    if (KRAG.data) return KRAG.data;
    var up = folderOf(folderOf(mapFile));
    return File.exists(up + "/tiled/marks.png") ? up : "";
}

function program(name) {
    return KRAG.programs ? KRAG.programs + "/" + name : name;
}

// The picture of a tile for Tiled: its PNG from the game's data, else the game's own
// bitmap beside the map or in the data folder.
function tilePicture(data, mapFile, file) {
    var stem = file.replace(/\.[^.]*$/, "");
    var candidates = [data + "/tiled/tiles/" + stem + ".png", folderOf(mapFile) + "/../bmp/" + file,
                      data + "/bmp/" + file];
    for (var i = 0; i < candidates.length; i++)
        if (File.exists(candidates[i])) return candidates[i];
    return candidates[0];
}

function readText(fileName) {
    var file = new TextFile(fileName, TextFile.ReadOnly);
    var text = file.readAll();
    file.close();
    return text;
}

function fail(fileName, what) {
    throw new Error(fileName + ": " + what);
}

// The header's words and the grid's characters of a .krm text.
function splitMap(fileName, text) {
    var at = 0, words = [];
    function word() {
        while (at < text.length && /\s/.test(text[at])) at++;
        var start = at;
        while (at < text.length && !/\s/.test(text[at])) at++;
        return text.substring(start, at);
    }
    for (var i = 0; i < 10; i++) words.push(word());
    var numbers = words.map(function (w) { return /^-?\d+$/.test(w) ? parseInt(w, 10) : NaN; });
    var names = ["width", "height", "top red", "top green", "top blue", "bottom red", "bottom green",
                 "bottom blue", "relief flag", "tile count"];
    for (i = 0; i < 10; i++)
        if (isNaN(numbers[i])) fail(fileName, names[i] + " is not a number");
    var m = { width: numbers[0], height: numbers[1], top: numbers.slice(2, 5),
              bottom: numbers.slice(5, 8), relief: numbers[8] == 1, tiles: [], cells: [] };
    if (m.width % CELL || m.height % CELL || m.width <= 0 || m.height <= 0 ||
        m.width > 128 * CELL || m.height > 128 * CELL)
        fail(fileName, "the size " + m.width + "x" + m.height + " is not a grid of 16-pixel cells");
    if (numbers[9] < 0 || numbers[9] > 26) fail(fileName, "tile count " + numbers[9] + " is outside 0-26");
    for (i = 0; i < numbers[9]; i++) m.tiles.push(word());
    var cells = (m.width / CELL) * (m.height / CELL);
    for (; at < text.length && m.cells.length < cells; at++)
        if (!/\s/.test(text[at])) m.cells.push(text.charCodeAt(at));
    if (m.cells.length < cells) fail(fileName, "the grid ends after " + m.cells.length + " of " + cells + " cells");
    return m;
}

function rgb(list) {
    return list.join(" ");
}

function hex(list) {
    return "#" + list.map(function (v) { return ("0" + Math.max(0, Math.min(255, v)).toString(16)).slice(-2); }).join("");
}

// The tileset of the game's tile pictures: the map's own first, in letter order, then
// every other tile picture the game has.
function tilesTileset(data, fileName, listed) {
    var files = listed.slice();
    if (data) {
        var pngs = File.directoryEntries(data + "/tiled/tiles", File.Files) || [];
        pngs.sort();
        for (var i = 0; i < pngs.length; i++) {
            var file = pngs[i].replace(/\.png$/, ".bmp");
            if (files.indexOf(file) < 0) files.push(file);
        }
    }
    var ts = new Tileset(TILES_SET);
    ts.setTileSize(CELL, CELL);
    for (var k = 0; k < files.length; k++) {
        var tile = ts.addTile();
        tile.imageFileName = tilePicture(data, fileName, files[k]);
        tile.setProperty("file", files[k]);
    }
    return ts;
}

function marksTileset(data) {
    var ts = new Tileset(MARKS_SET);
    ts.setTileSize(CELL, CELL);
    ts.image = data + "/tiled/marks.png";
    // Each picture says which character it stands for; the writer goes by that.
    for (var ch = 33; ch < 128; ch++)
        if (ch != 46 && (ch < 97 || ch > 122)) ts.tile(ch - 32).setProperty("character", String.fromCharCode(ch));
    return ts;
}

function readMap(fileName) {
    var m = splitMap(fileName, readText(fileName));
    var data = dataFolder(fileName);
    var cols = m.width / CELL, rows = m.height / CELL;
    var map = new TileMap();
    map.setSize(cols, rows);
    map.setTileSize(CELL, CELL);
    map.orientation = TileMap.Orthogonal;
    map.layerDataFormat = TileMap.CSV; // readable in Tiled's own files
    map.backgroundColor = hex(m.top);
    map.setProperty("sky top", rgb(m.top));
    map.setProperty("sky bottom", rgb(m.bottom));
    map.setProperty("tile relief", m.relief);
    map.setProperty("tiles", m.tiles.join(" "));

    var tiles = tilesTileset(data, fileName, m.tiles), marks = marksTileset(data);
    map.addTileset(tiles);
    map.addTileset(marks);
    var terrain = new TileLayer(TILES_LAYER), things = new TileLayer(THINGS_LAYER);
    terrain.width = things.width = cols;
    terrain.height = things.height = rows;
    var te = terrain.edit(), he = things.edit();
    for (var i = 0; i < m.cells.length; i++) {
        var c = i % cols, r = Math.floor(i / cols), ch = m.cells[i];
        var letter = ch - 97;
        if (letter >= 0 && letter < 26) {
            if (letter >= m.tiles.length)
                fail(fileName, "cell " + c + "," + r + ": letter '" + String.fromCharCode(ch) + "' has no tile");
            te.setTile(c, r, tiles.tile(letter));
        } else if (ch > 32 && ch <= 127) {
            if (ch != 46) he.setTile(c, r, marks.tile(ch - 32));
        } else {
            fail(fileName, "cell " + c + "," + r + ": byte " + ch + " is not a map character");
        }
    }
    te.apply();
    he.apply();
    map.addLayer(terrain);
    map.addLayer(things);
    return map;
}

// What a cell of the map holds in .krm terms: a character, a tile file ("file" of a
// KRAG tile), or a reason it cannot be written.
function cellOf(map, layers, c, r) {
    var thing = null, file = null;
    for (var i = 0; i < layers.length; i++) {
        var tile = layers[i].tileAt(c, r);
        if (!tile) continue;
        var where = "cell " + c + "," + r + " (layer \"" + layers[i].name + "\")";
        var ch = tile.property("character");
        if (ch !== undefined) {
            var code = String(ch).charCodeAt(0);
            if (String(ch).length != 1 || code <= 32 || code > 127 || code == 46 || (code >= 97 && code <= 122))
                return { error: where + ": \"" + ch + "\" is no map character" };
            if (thing !== null || file !== null) return { error: where + ": the cell holds two things; a KRAG cell holds one" };
            thing = String(ch);
        } else if (tile.property("file")) {
            if (thing !== null || file !== null) return { error: where + ": the cell holds two things; a KRAG cell holds one" };
            file = tile.property("file");
        } else {
            return { error: where + ": a tile of " + (tile.tileset ? "\"" + tile.tileset.name + "\"" : "another tileset") +
                            ", which is not a KRAG tile" };
        }
    }
    return { thing: thing, file: file };
}

function colourProperty(map, name, problems) {
    var text = String(map.property(name) === undefined ? "" : map.property(name)).trim();
    var parts = text.split(/\s+/).map(function (p) { return /^\d+$/.test(p) ? parseInt(p, 10) : NaN; });
    if (parts.length != 3 || parts.some(function (v) { return isNaN(v) || v > 255; })) {
        problems.push("map property \"" + name + "\" is \"" + text + "\", not three numbers 0-255 (red green blue)");
        return [0, 0, 0];
    }
    return parts;
}

// The .krm text of a map, or { problems: [...] } when it cannot be one.
function mapText(map) {
    var problems = [];
    if (map.tileWidth != CELL || map.tileHeight != CELL)
        problems.push("the map's cells are " + map.tileWidth + "x" + map.tileHeight + "; KRAG cells are 16x16");
    if (map.infinite) problems.push("the map is infinite; a KRAG map has a fixed size");
    var top = colourProperty(map, "sky top", problems), bottom = colourProperty(map, "sky bottom", problems);
    var relief = map.property("tile relief");
    var listed = String(map.property("tiles") || "").split(/\s+/).filter(function (t) { return t.length > 0; });
    var layers = [];
    for (var i = 0; i < map.layerCount; i++)
        if (map.layerAt(i).isTileLayer) layers.push(map.layerAt(i));
    var rows = [];
    for (var r = 0; r < map.height && problems.length < 20; r++) {
        var row = "";
        for (var c = 0; c < map.width; c++) {
            var cell = cellOf(map, layers, c, r);
            if (cell.error) {
                problems.push(cell.error);
                row += ".";
            } else if (cell.thing !== null) {
                row += cell.thing;
            } else if (cell.file !== null) {
                var k = listed.indexOf(cell.file);
                if (k < 0) {
                    k = listed.length;
                    listed.push(cell.file);
                }
                row += k < 26 ? String.fromCharCode(97 + k) : "?";
            } else {
                row += ".";
            }
        }
        rows.push(row);
    }
    if (listed.length > 26) problems.push("the map uses " + listed.length + " kinds of tile; a KRAG map has at most 26");
    if (problems.length) return { problems: problems };
    var text = (map.width * CELL) + " " + (map.height * CELL) + "\n" + top.join(" ") + "\n" +
               bottom.join(" ") + "\n" + (relief === true || relief == 1 || relief == "1" ? 1 : 0) + "\n" +
               listed.length + "\n";
    for (i = 0; i < listed.length; i++) text += listed[i] + "\n";
    return { text: text + rows.join("\n") + "\n", tiles: listed.length };
}

// Selects a cell in the view of the map saved as fileName (else the map in front) and
// centres on it. Looked up when the issue is activated: the map given to a format's
// write() is gone by then.
function jumpTo(fileName, c, r) {
    return function () {
        var map = null;
        tiled.openAssets.forEach(function (a) { if (a.isTileMap && a.fileName == fileName) map = a; });
        if (!map) map = activeMap();
        if (!map) return;
        tiled.activeAsset = map;
        map.selectedArea.set(Qt.rect(c, r, 1, 1));
        var view = tiled.mapEditor.currentMapView;
        if (view) view.centerOn((c + 0.5) * map.tileWidth, (r + 0.5) * map.tileHeight);
    };
}

// krag-mapcheck's verdict on a written file, its lines as issues: "FILE:LINE: reason",
// "FILE:LINE: warning: reason"; grid lines lead to their row, "column C, row R" (from 1)
// to the cell. True when the game would play the map.
function checkFile(map, file, tiles, target) {
    var p = new Process(), status = -1;
    try {
        status = p.exec(program("krag-mapcheck"), [file], false);
    } catch (e) {
        status = -1;
    }
    if (status < 0 || status > 1) {
        tiled.warn("KRAG: cannot run " + program("krag-mapcheck") + "; the map is not checked");
        return { ok: true, faults: [] };
    }
    var faults = [];
    var lines = p.readStdOut().split("\n");
    for (var i = 0; i < lines.length; i++) {
        var found = /^.*?:(\d+): (.*)$/.exec(lines[i]);
        if (!found || lines[i].indexOf(file + ":") != 0) continue;
        var line = parseInt(found[1], 10), reason = found[2];
        var warning = reason.indexOf("warning: ") == 0;
        var row = line - 6 - tiles, col = -1;
        var at = /column (\d+), row (\d+)/.exec(reason);
        if (at) {
            col = parseInt(at[1], 10) - 1;
            row = parseInt(at[2], 10) - 1;
        }
        var text = "KRAG: " + (row >= 0 && row < map.height ? "row " + row + ": " : "") + reason;
        var jump = row >= 0 && row < map.height ? jumpTo(target, Math.max(col, 0), row) : undefined;
        faults.push({ text: text, warning: warning, jump: jump });
    }
    return { ok: status == 0, faults: faults };
}

// Into the Issues view, and onto the console for Tiled's command line.
function report(fault) {
    if (fault.warning) tiled.warn(fault.text, fault.jump);
    else tiled.error(fault.text, fault.jump);
    console.error(fault.text);
}

function writeMap(map, fileName) {
    var made = mapText(map);
    if (made.problems) {
        made.problems.forEach(function (p) { report({ text: "KRAG: " + p }); });
        return "not saved: " + made.problems[0] + (made.problems.length > 1 ? " (and more in Issues)" : "");
    }
    // Checked beside its place, so that the tiles are found as they will be.
    var trial = folderOf(fileName) + "/.kragsave.krm";
    var file = new TextFile(trial, TextFile.WriteOnly);
    file.write(made.text);
    file.commit();
    var verdict;
    try {
        verdict = checkFile(map, trial, made.tiles, fileName);
    } finally {
        File.remove(trial);
    }
    verdict.faults.forEach(report);
    if (!verdict.ok) {
        var first = verdict.faults.filter(function (f) { return !f.warning; })[0];
        return "not saved, the game would refuse this map: " + (first ? first.text.replace(/^KRAG: /, "") : "see Issues");
    }
    file = new TextFile(fileName, TextFile.WriteOnly);
    file.write(made.text);
    file.commit();
    return "";
}

tiled.registerMapFormat("krag", {
    name: "KRAG map (*.krm)",
    extension: "krm",
    read: readMap,
    write: writeMap,
});

// The file the game tools should see for the map being edited: the map's own .krm when
// it is saved, else a copy written to a scratch folder.
function currentFile(map) {
    if (!map.modified && /\.krm$/i.test(map.fileName)) return map.fileName;
    var made = mapText(map);
    if (made.problems) {
        made.problems.forEach(function (p) { report({ text: "KRAG: " + p }); });
        return "";
    }
    var folder = (new Process().getEnv("TMPDIR") || "/tmp") + "/krag-tiled";
    File.makePath(folder);
    var name = map.fileName ? baseName(map.fileName).replace(/\.[^.]*$/, "") : "untitled";
    var file = new TextFile(folder + "/" + name.substring(0, 10) + ".krm", TextFile.WriteOnly);
    file.write(made.text);
    file.commit();
    return file.filePath;
}

function activeMap() {
    var asset = tiled.activeAsset;
    return asset && asset.isTileMap ? asset : null;
}

var playing = []; // games started from here; a Process that goes away ends its game

var testPlay = tiled.registerAction("KragTestPlay", function () {
    var map = activeMap();
    if (!map) return;
    var file = currentFile(map);
    if (!file) return;
    var game = new Process();
    if (!game.start(program("krag"), ["--map", file])) {
        tiled.error("KRAG: cannot start " + program("krag"));
        return;
    }
    playing.push(game);
    tiled.log("KRAG: playing " + file);
});
testPlay.text = "Test-play in KRAG";

var showRoutes = tiled.registerAction("KragShowRoutes", function () {
    var map = activeMap();
    if (!map) return;
    var file = currentFile(map);
    if (!file) return;
    var picture = (new Process().getEnv("TMPDIR") || "/tmp") + "/krag-tiled/routes-" +
                  baseName(file).replace(/\.krm$/i, "") + ".png";
    File.makePath(folderOf(picture));
    var tool = new Process(), status = -1;
    try {
        status = tool.exec(program("krag-mapcheck"), ["--routes", picture, file], false);
    } catch (e) {
        tiled.error("KRAG: cannot run " + program("krag-mapcheck") + ": " + e);
        return;
    }
    if (status != 0 && status != 3) {
        tiled.error("KRAG: the route tool failed: " + tool.readStdOut() + tool.readStdErr());
        return;
    }
    var lines = tool.readStdOut().split("\n");
    for (var i = 0; i < lines.length; i++) {
        var stuck = /stuck at cell (\d+),(\d+) \((\d+) times?\)/.exec(lines[i]);
        if (stuck)
            tiled.warn("KRAG: bots got stuck at cell " + stuck[1] + "," + stuck[2] + " (" + stuck[3] + " times)",
                       jumpTo(map.fileName, parseInt(stuck[1], 10), parseInt(stuck[2], 10)));
        else if (lines[i]) tiled.log(lines[i]);
    }
    for (i = map.layerCount - 1; i >= 0; i--)
        if (map.layerAt(i).name == ROUTES_LAYER) map.removeLayerAt(i);
    var layer = new ImageLayer(ROUTES_LAYER);
    layer.setImage(new Image(picture), picture);
    layer.opacity = 0.8;
    map.addLayer(layer);
});
showRoutes.text = "Show bot routes";

tiled.extendMenu("Map", [
    { separator: true },
    { action: "KragTestPlay" },
    { action: "KragShowRoutes" },
]);
