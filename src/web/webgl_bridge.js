// The page's side of webgl_bridge.h: WebGL on the canvas, the shader that projects the lit
// vertices, and the frame loop with its keys. Linked into gemwell.js with --js-library.

var LibraryGemwell = {
  $GemwellGL: {
    gl: null,
    program: null,
    vertices: null,
    indices: null,
    locations: {},

    // The vertices come lit and in eye coordinates (fixed_function.cpp): the projection, and
    // for two-sided lighting the back colour where the rasteriser says the back face shows.
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

    compile: function(gl, type, source) {
      var shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) {
        throw new Error('gemwell: shader: ' + gl.getShaderInfoLog(shader));
      }
      return shader;
    },

    release: function() {
      var gl = GemwellGL.gl;
      if (!gl) {
        return;
      }
      gl.deleteBuffer(GemwellGL.vertices);
      gl.deleteBuffer(GemwellGL.indices);
      gl.deleteProgram(GemwellGL.program);
      GemwellGL.gl = null;
    }
  },

  gemwell_webgl_open__deps: ['$GemwellGL'],
  gemwell_webgl_open: function(width, height) {
    var canvas = Module['canvas'];
    canvas.width = width;
    canvas.height = height;
    // Opaque, as the native window is, and not antialiased, as Mesa draws it.
    var gl = canvas.getContext('webgl', {
      alpha: false, depth: true, stencil: false, antialias: false, premultipliedAlpha: true,
      preserveDrawingBuffer: false
    });
    if (!gl) {
      return 0;
    }
    var program = gl.createProgram();
    gl.attachShader(program, GemwellGL.compile(gl, gl.VERTEX_SHADER, GemwellGL.vertexShader));
    gl.attachShader(program, GemwellGL.compile(gl, gl.FRAGMENT_SHADER, GemwellGL.fragmentShader));
    gl.bindAttribLocation(program, 0, 'aEye');
    gl.bindAttribLocation(program, 1, 'aFront');
    gl.bindAttribLocation(program, 2, 'aBack');
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      throw new Error('gemwell: program: ' + gl.getProgramInfoLog(program));
    }
    gl.useProgram(program);
    GemwellGL.gl = gl;
    GemwellGL.program = program;
    GemwellGL.locations = {
      projection: gl.getUniformLocation(program, 'uProjection'),
      twoSide: gl.getUniformLocation(program, 'uTwoSide')
    };
    // LitVertex in webgl_bridge.h: eye position, front colour, back colour, four floats each.
    GemwellGL.vertices = gl.createBuffer();
    GemwellGL.indices = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, GemwellGL.vertices);
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, GemwellGL.indices);
    for (var attribute = 0; attribute < 3; ++attribute) {
      gl.enableVertexAttribArray(attribute);
      gl.vertexAttribPointer(attribute, 4, gl.FLOAT, false, 48, attribute * 16);
    }
    return 1;
  },

  gemwell_webgl_clear_colour__deps: ['$GemwellGL'],
  gemwell_webgl_clear_colour: function(red, green, blue, alpha) {
    GemwellGL.gl.clearColor(red, green, blue, alpha);
  },

  gemwell_webgl_clear__deps: ['$GemwellGL'],
  gemwell_webgl_clear: function(colour, depth) {
    var gl = GemwellGL.gl;
    gl.clear((colour ? gl.COLOR_BUFFER_BIT : 0) | (depth ? gl.DEPTH_BUFFER_BIT : 0));
  },

  gemwell_webgl_viewport__deps: ['$GemwellGL'],
  gemwell_webgl_viewport: function(x, y, width, height) {
    GemwellGL.gl.viewport(x, y, width, height);
  },

  gemwell_webgl_depth_test__deps: ['$GemwellGL'],
  gemwell_webgl_depth_test: function(enabled) {
    var gl = GemwellGL.gl;
    if (enabled) {
      gl.enable(gl.DEPTH_TEST);
    } else {
      gl.disable(gl.DEPTH_TEST);
    }
  },

  gemwell_webgl_draw__deps: ['$GemwellGL'],
  gemwell_webgl_draw: function(vertices, vertexCount, indices, indexCount, projection, twoSide) {
    var gl = GemwellGL.gl;
    gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.subarray(vertices >> 2, (vertices >> 2) + vertexCount * 12),
                  gl.STREAM_DRAW);
    gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, HEAPU16.subarray(indices >> 1, (indices >> 1) + indexCount),
                  gl.STREAM_DRAW);
    gl.uniformMatrix4fv(GemwellGL.locations.projection, false,
                        HEAPF32.subarray(projection >> 2, (projection >> 2) + 16));
    gl.uniform1f(GemwellGL.locations.twoSide, twoSide);
    gl.drawElements(gl.TRIANGLES, indexCount, gl.UNSIGNED_SHORT, 0);
  },

  gemwell_web_run__deps: ['$GemwellGL'],
  gemwell_web_run: function() {
    var canvas = Module['canvas'];
    // GLUT's numbers for the special keys the game binds (GL/freeglut.h).
    var specialKeys = {'ArrowLeft': 100, 'ArrowUp': 101, 'ArrowRight': 102, 'ArrowDown': 103};
    var running = true;

    // The game ends by calling exit, which unwinds to here as an ExitStatus: the loop stops
    // and the page hears the status. Anything else is a real error and goes on to the console.
    function stop(error) {
      running = false;
      canvas.removeEventListener('keydown', onKey);
      GemwellGL.release();
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
      // Browser shortcuts stay the browser's.
      if (event.ctrlKey || event.altKey || event.metaKey) {
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
      call(function() {
        Module['_gemwell_web_key'](key, special === undefined ? 0 : 1);
      });
    }

    function frame() {
      call(Module['_gemwell_web_frame']);
      if (running) {
        requestAnimationFrame(frame);
      }
    }

    canvas.addEventListener('keydown', onKey);
    requestAnimationFrame(frame);
  }
};

mergeInto(LibraryManager.library, LibraryGemwell);
