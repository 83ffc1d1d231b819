// The page's side of gl/webgl_bridge.h: WebGL on the canvas, the shader that projects the lit
// vertices, and the frame loop with its keys. Linked into gemwell.js with --js-library.

var LibraryGemwell = {
  $GemwellGL: {
    gl: null,
    program: null,
    vertices: null,
    indices: null,
    locations: {},

    // The vertices come lit and in eye coordinates (gl/vertex_stage.cpp): the projection, and
    // for two-sided lighting the back colour where the rasteriser says the back face shows.
    // One line of GLSL a string.
    // clang-format off
    vertexShader: [
      'attribute vec4 aEye;',
      'attribute vec4 aFront;',
      'attribute vec4 aBack;',
      'uniform mat4 uProjection;',
      'varying vec4 vFront;',
      'varying vec4 vBack;',
      'void main() {',
      '  gl_Position = uProjection * aEye;',
      '  vFront = aFront;',
      '  vBack = aBack;',
      '}'
    ].join('\n'),

    fragmentShader: [
      'precision mediump float;',
      'uniform float uTwoSide;',
      'varying vec4 vFront;',
      'varying vec4 vBack;',
      'void main() {',
      '  gl_FragColor = uTwoSide != 0.0 && !gl_FrontFacing ? vBack : vFront;',
      '}'
    ].join('\n'),
    // clang-format on

    compile: function(gl, type, source) {
      var shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      return shader;
    },

    // The program's status and uniforms, asked for at its first draw rather than when it is
    // built: each question waits for the compiler, which may then be done in the background.
    // A context lost again meanwhile reports nothing; the next restore builds anew.
    check: function() {
      var gl = GemwellGL.gl;
      var program = GemwellGL.program;
      if (!gl.getProgramParameter(program, gl.LINK_STATUS) && !gl.isContextLost()) {
        throw new Error(
            'gemwell: program: ' + gl.getProgramInfoLog(program) +
            gl.getShaderInfoLog(GemwellGL.shaders[0]) + gl.getShaderInfoLog(GemwellGL.shaders[1]));
      }
      GemwellGL.locations = {
        projection: gl.getUniformLocation(program, 'uProjection'),
        twoSide: gl.getUniformLocation(program, 'uTwoSide')
      };
    },

    // What the game set, to set again on a restored context: clear colour, viewport, depth test.
    clearColour: [0, 0, 0, 0],
    viewport: null,
    depthTest: false,

    // The program, its buffers and the game's state on the context; again after a restore.
    build: function() {
      var gl = GemwellGL.gl;
      var program = gl.createProgram();
      GemwellGL.shaders = [
        GemwellGL.compile(gl, gl.VERTEX_SHADER, GemwellGL.vertexShader),
        GemwellGL.compile(gl, gl.FRAGMENT_SHADER, GemwellGL.fragmentShader)
      ];
      gl.attachShader(program, GemwellGL.shaders[0]);
      gl.attachShader(program, GemwellGL.shaders[1]);
      gl.bindAttribLocation(program, 0, 'aEye');
      gl.bindAttribLocation(program, 1, 'aFront');
      gl.bindAttribLocation(program, 2, 'aBack');
      gl.linkProgram(program);
      gl.useProgram(program);
      GemwellGL.program = program;
      GemwellGL.locations = null;
      // LitVertex in gl/webgl_bridge.h: eye position, front colour, back colour, four floats each.
      GemwellGL.vertices = gl.createBuffer();
      GemwellGL.indices = gl.createBuffer();
      gl.bindBuffer(gl.ARRAY_BUFFER, GemwellGL.vertices);
      gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, GemwellGL.indices);
      for (var attribute = 0; attribute < 3; ++attribute) {
        gl.enableVertexAttribArray(attribute);
        gl.vertexAttribPointer(attribute, 4, gl.FLOAT, false, 48, attribute * 16);
      }
      gl.clearColor.apply(gl, GemwellGL.clearColour);
      if (GemwellGL.viewport) {
        gl.viewport.apply(gl, GemwellGL.viewport);
      }
      if (GemwellGL.depthTest) {
        gl.enable(gl.DEPTH_TEST);
      }
    },

    release: function() {
      var gl = GemwellGL.gl;
      if (!gl) {
        return;
      }
      var canvas = Module['canvas'];
      canvas.removeEventListener('webglcontextlost', GemwellGL.onLost);
      canvas.removeEventListener('webglcontextrestored', GemwellGL.onRestored);
      gl.deleteBuffer(GemwellGL.vertices);
      gl.deleteBuffer(GemwellGL.indices);
      gl.deleteProgram(GemwellGL.program);
      GemwellGL.gl = null;
    }
  },

  // The canvas's drawing buffer in device pixels: its CSS size times the pixel ratio, capped
  // at 3, past which no phone's gems look sharper but the fill grows with the square. Before
  // the page lays the canvas out (or if it hides it), the size the game asked for.
  $gemwellFitCanvas__deps: ['$GemwellGL'],
  $gemwellFitCanvas: function(canvas, width, height) {
    var rect = canvas.getBoundingClientRect();
    var ratio = Math.min(window.devicePixelRatio || 1, 3);
    if (rect.width > 0 && rect.height > 0) {
      width = Math.max(1, Math.round(rect.width * ratio));
      height = Math.max(1, Math.round(rect.height * ratio));
    }
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
  },

  gemwell_webgl_open__deps: ['$GemwellGL', '$gemwellFitCanvas'],
  gemwell_webgl_open: function(width, height) {
    var canvas = Module['canvas'];
    gemwellFitCanvas(canvas, HEAP32[width >> 2], HEAP32[height >> 2]);
    HEAP32[width >> 2] = canvas.width;
    HEAP32[height >> 2] = canvas.height;
    // Opaque, as the native window is, and not antialiased, as Mesa draws it.
    var gl = canvas.getContext('webgl', {
      alpha: false,
      depth: true,
      stencil: false,
      antialias: false,
      premultipliedAlpha: true,
      preserveDrawingBuffer: false
    });
    if (!gl) {
      return 0;
    }
    GemwellGL.gl = gl;
    GemwellGL.build();
    // A phone drops the context of a page in the background. Preventing the default asks for it
    // back; the game's state never lived in WebGL, so once the objects are rebuilt it draws on.
    GemwellGL.onLost = function(event) {
      event.preventDefault();
    };
    GemwellGL.onRestored = function() {
      GemwellGL.build();
    };
    canvas.addEventListener('webglcontextlost', GemwellGL.onLost);
    canvas.addEventListener('webglcontextrestored', GemwellGL.onRestored);
    return 1;
  },

  gemwell_webgl_clear_colour__deps: ['$GemwellGL'],
  gemwell_webgl_clear_colour: function(red, green, blue, alpha) {
    GemwellGL.clearColour = [red, green, blue, alpha];
    GemwellGL.gl.clearColor(red, green, blue, alpha);
  },

  gemwell_webgl_clear__deps: ['$GemwellGL'],
  gemwell_webgl_clear: function(colour, depth) {
    var gl = GemwellGL.gl;
    gl.clear((colour ? gl.COLOR_BUFFER_BIT : 0) | (depth ? gl.DEPTH_BUFFER_BIT : 0));
  },

  gemwell_webgl_viewport__deps: ['$GemwellGL'],
  gemwell_webgl_viewport: function(x, y, width, height) {
    GemwellGL.viewport = [x, y, width, height];
    GemwellGL.gl.viewport(x, y, width, height);
  },

  gemwell_webgl_depth_test__deps: ['$GemwellGL'],
  gemwell_webgl_depth_test: function(enabled) {
    var gl = GemwellGL.gl;
    GemwellGL.depthTest = !!enabled;
    if (enabled) {
      gl.enable(gl.DEPTH_TEST);
    } else {
      gl.disable(gl.DEPTH_TEST);
    }
  },

  gemwell_webgl_draw__deps: ['$GemwellGL'],
  gemwell_webgl_draw: function(vertices, vertexCount, indices, indexCount, projection, twoSide) {
    var gl = GemwellGL.gl;
    if (!GemwellGL.locations) {
      GemwellGL.check();
    }
    gl.bufferData(
        gl.ARRAY_BUFFER, HEAPF32.subarray(vertices >> 2, (vertices >> 2) + vertexCount * 12),
        gl.STREAM_DRAW);
    gl.bufferData(
        gl.ELEMENT_ARRAY_BUFFER, HEAPU16.subarray(indices >> 1, (indices >> 1) + indexCount),
        gl.STREAM_DRAW);
    gl.uniformMatrix4fv(
        GemwellGL.locations.projection, false,
        HEAPF32.subarray(projection >> 2, (projection >> 2) + 16));
    gl.uniform1f(GemwellGL.locations.twoSide, twoSide);
    gl.drawElements(gl.TRIANGLES, indexCount, gl.UNSIGNED_SHORT, 0);
  },

  gemwell_web_run__deps: ['$GemwellGL', '$gemwellFitCanvas'],
  gemwell_web_run: function(left, up, right, down) {
    var canvas = Module['canvas'];
    // GLUT's numbers for the special keys the game binds, from GL/freeglut.h.
    var specialKeys = {'ArrowLeft': left, 'ArrowUp': up, 'ArrowRight': right, 'ArrowDown': down};
    var running = true;

    // The page's pause (its session's, read here each time): the frames go on, for the page's
    // own polling, but the game takes no step and no key.
    function held() {
      return !!Module['isPaused'] && Module['isPaused']();
    }

    // The game ends by calling exit, which unwinds to here as an ExitStatus: the loop stops
    // and the page hears the status. Anything else is a real error and goes on to the console.
    function halt() {
      running = false;
      canvas.removeEventListener('keydown', onKey);
      GemwellGL.release();
    }

    function stop(error) {
      halt();
      if (!(error instanceof ExitStatus)) {
        throw error;
      }
      if (Module['onGameEnd']) {
        Module['onGameEnd'](error.status);
      }
    }

    function call(f) {
      if (!running) {
        return;
      }
      try {
        f();
      } catch (error) {
        stop(error);
      }
    }

    function onKey(event) {
      // Browser shortcuts stay the browser's, and a key the page has taken is not the game's.
      if (event.ctrlKey || event.altKey || event.metaKey || event.defaultPrevented) {
        return;
      }
      var special = specialKeys[event.key];
      var key = special;
      if (special === undefined) {
        // A character, as the native game gets it: upper case with shift, and Latin-1 only.
        if (event.key.length !== 1 || event.key.charCodeAt(0) > 255) {
          return;
        }
        key = event.key.charCodeAt(0);
      }
      // Space and the arrows would scroll the page.
      event.preventDefault();
      if (held()) {
        return;
      }
      call(function() {
        Module['_gemwell_web_key'](key, special === undefined ? 0 : 1);
      });
    }

    // Each frame first fits the canvas to the page, so a rotation or a resized window reaches
    // the game as a reshape before the frame it is drawn in, as a native window's does.
    // While paused the canvas keeps its size, and so the last frame, until the game goes on.
    function frame() {
      if (Module['onFrame']) {
        Module['onFrame']();
      }
      if (!held()) {
        call(function() {
          gemwellFitCanvas(canvas, canvas.width, canvas.height);
          Module['_gemwell_web_frame'](canvas.width, canvas.height);
        });
      }
      if (running) {
        requestAnimationFrame(frame);
      }
    }

    canvas.addEventListener('keydown', onKey);
    // For the page, to end a game that can no longer draw.
    Module['stopGame'] = function() {
      if (running) {
        halt();
      }
    };
    requestAnimationFrame(frame);
  }
};

mergeInto(LibraryManager.library, LibraryGemwell);
